// transform.h - one part hierarchy placed in front of a camera and projected.
//
// A hierarchy is a root placement (position, rotation, scale) and its parts,
// listed depth-first. Each part carries its own translation, rotation and scale
// relative to its parent and a pop count that says where the next part attaches.
//
// transform_hierarchy: root = compose(position, rotation, scale), current =
// root x camera, and the matrix stack starts empty; then each part, in order,
// pushes current (its parent's matrix), composes its own matrix into `matrix`,
// sets current = matrix x current, projects its vertices into screen entries
// first_vertex onwards, and pops pop_count levels (0 pops nothing: the next part
// is its child). A vertex therefore goes through its own part's matrix first,
// then its ancestors', the root's and the camera's last.
//
// Pushes beyond 32 levels and pops of more levels than the stack holds are
// refused (matrix.h): a refused pop leaves current as it is, so the next part
// becomes a child of the part just drawn. A part projects at most vertex_count
// of its vertices, never past the end of `vertices` or of `screen`.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

struct ModelPart {
    int32_t pop_count;
    int32_t vertex_count;
    int32_t first_vertex;        // index of its first vertex in `screen`
    std::span<Vector4> vertices; // model-space positions, first_vertex onwards
    FixedMatrix matrix;          // local matrix, rewritten by every transform
    Vector4 translation;
    Vector4 rotation;
    Vector4 scale;
};

void transform_hierarchy(const Vector4& position, const Vector4& rotation, const Vector4& scale,
                         std::span<ModelPart> parts, const FixedMatrix& camera,
                         std::span<ScreenVertex> screen);

// The matrix-stack walk of transform_hierarchy without its matrices, made on the
// stack itself (which must exist; it is reset before and after), so it tells
// what a frame will do: the deepest level the parts reach, and the first part
// whose push or whose pop the stack refuses (-1 for none), with the level it
// tried to pop from.
struct StackWalk {
    int32_t deepest = 0;
    int32_t refused_push = -1;
    int32_t refused_pop = -1;
    int32_t level_at_refused_pop = 0;
};
StackWalk walk_part_stack(std::span<const ModelPart> parts);

} // namespace walkers
