// fitting.h - the parts' meshes made to fit nine walkers in the renderer.
//
// Nine walkers load nine copies of every mesh into stores they share, so each
// copy may take a ninth of each capacity: positions (the position stream and
// the screen vertices, 1500), texture coordinates (1200, four of them for
// every mesh file whatever it uses) and primitive bytes (60000; 40 a triangle,
// 48 a quad). The allowance keeps walkers-check's warning line: 90 % of each.
//
// fit_meshes spends the allowance where the model is large: a total number of
// triangles is shared out over the parts by their surface area (each keeps at
// least a few, or all it has), and the largest total whose meshes fit is
// found by halving. Only a model with no more triangles than could ever fit is
// tried whole first, so a dense one is never built at full resolution (nor
// needs more vertices than a mesh file holds). None fits when even the fewest
// triangles do not, which tells the caller to make fewer parts.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "part_mesh.h"

namespace walkers::import {

// What one walker's copy takes of the shared capacities, or may take.
struct Use {
    int32_t positions = 0;
    int32_t texcoords = 0;
    int32_t primitive_bytes = 0;
    bool within(const Use& allowance) const {
        return positions <= allowance.positions && texcoords <= allowance.texcoords &&
               primitive_bytes <= allowance.primitive_bytes;
    }
};
using Allowance = Use;

// Per walker, for the demo's nine walkers.
Allowance walker_allowance();

struct FittedMeshes {
    std::vector<PartMesh> parts;
    Use use;
};

std::optional<FittedMeshes> fit_meshes(const std::vector<std::vector<LocalTriangle>>& parts,
                                       const std::vector<Surface>& surfaces,
                                       const Allowance& allowance);

} // namespace walkers::import
