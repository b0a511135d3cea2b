// transform.cpp - composing a part hierarchy through the matrix stack.
#include "geometry/transform.h"

#include <algorithm>

#include "geometry/matrix.h"

namespace walkers {

namespace {

// The part's own vertices, never more than its span holds.
std::span<const Vector4> part_vertices(const ModelPart& part) {
    const size_t count =
        std::min(part.vertices.size(), static_cast<size_t>(std::max(part.vertex_count, 0)));
    return part.vertices.first(count);
}

// Screen entries from the part's first vertex to the end; none when it lies outside.
std::span<ScreenVertex> part_screen(std::span<ScreenVertex> screen, int32_t first_vertex) {
    if (first_vertex < 0 || static_cast<size_t>(first_vertex) >= screen.size()) return {};
    return screen.subspan(static_cast<size_t>(first_vertex));
}

} // namespace

void transform_hierarchy(const Vector4& position, const Vector4& rotation, const Vector4& scale,
                         std::span<ModelPart> parts, const FixedMatrix& camera,
                         std::span<ScreenVertex> screen) {
    FixedMatrix root;
    matrix_compose(root, position, rotation, scale);
    matrix_stack_reset();
    // The model's own placement acts first, the camera last.
    FixedMatrix current;
    matrix_multiply(current, root, camera);

    for (ModelPart& part : parts) {
        // Saves the parent's matrix; beyond 32 levels the push is refused and the
        // pops that would have reached it land on a lower level or are refused.
        matrix_stack_push(current);
        matrix_compose(part.matrix, part.translation, part.rotation, part.scale);
        matrix_multiply(current, part.matrix, current); // out may alias an input
        project_vertices(part_screen(screen, part.first_vertex), part_vertices(part), current);
        // A refused pop leaves current as is: the next part becomes this one's child.
        if (part.pop_count != 0) matrix_stack_pop(current, part.pop_count);
    }
}

StackWalk walk_part_stack(std::span<const ModelPart> parts) {
    StackWalk walk;
    FixedMatrix m;
    matrix_identity(m);
    matrix_stack_reset();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = static_cast<int32_t>(i);
        if (matrix_stack_push(m) < 0 && walk.refused_push < 0) walk.refused_push = part;
        const int32_t level = matrix_stack_level();
        walk.deepest = std::max(walk.deepest, level);
        const int32_t pops = parts[i].pop_count;
        if (pops != 0 && matrix_stack_pop(m, pops) < 0 && walk.refused_pop < 0) {
            walk.refused_pop = part;
            walk.level_at_refused_pop = level;
        }
    }
    matrix_stack_reset();
    return walk;
}

} // namespace walkers
