// part_mesh.h - one part's triangles made into the mesh file the renderer loads.
//
// The triangles come in the part's own frame (model units, relative to its
// joint, y down) and already wound clockwise as seen from outside. Each wears a
// surface: plain (the walker's outfit), a picture (a texture and per-corner
// coordinates) or a colour (a small texture of one colour).
//
// build_part_mesh brings them near `target` triangles: more are simplified with
// meshoptimizer, topology-preserving first and, when that stops short, its
// sloppy simplifier. That one may keep more than the target (as near as its
// grid gets); where it keeps fewer than the fewest (minimum_triangles) it is
// asked for more, and the part keeps all its triangles when even that fails.
// The fit (fitting.h) measures what was made. A simplified face takes the
// surface and the texture mapping of the original triangle nearest its centre,
// so a face never spreads over two islands of a texture. Then vertices are
// rounded to whole units (faces that collapse are dropped) and shared between
// faces; pairs of triangles that share an edge, wear the same surface, lie in
// one plane and make a convex quad are joined into that quad where their
// texture mappings agree (a quad costs 48 primitive bytes, two triangles 80);
// texture coordinates are made whole (0..255 across the picture, 256 a repeat)
// and indexed per corner.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mesh_writer.h"
#include "source.h"

namespace walkers::import {

enum class SurfaceKind { plain, picture, colour };

struct Surface {
    SurfaceKind kind = SurfaceKind::plain;
    std::string texture; // the texture file, for pictures and colours
};

struct LocalTriangle {
    std::array<Vec3, 3> corner; // part frame, clockwise as seen from outside
    std::array<Vec2, 3> uv;
    int32_t surface = 0;
};

struct PartMesh {
    writers::MeshBuilder mesh;
    int32_t source_triangles = 0;
    int32_t kept_triangles = 0; // after simplifying, before rounding and quads
};

// A point in whole model units, each coordinate rounded to the nearest.
writers::Point rounded(Vec3 v);

// The fewest triangles a part with `source` triangles is simplified to.
int32_t minimum_triangles(int32_t source);

// None when the faces kept need more vertices than a mesh file holds
// (writers::MESH_INDEX_LIMIT): a target far above what any walker fits, or a
// simplifier that could not get near it.
std::optional<PartMesh> build_part_mesh(const std::vector<LocalTriangle>& triangles, int32_t target,
                                        const std::vector<Surface>& surfaces);

} // namespace walkers::import
