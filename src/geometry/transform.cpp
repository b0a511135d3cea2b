// transform.cpp - the per-frame pass over every model's part hierarchy.
#include "geometry/transform.h"

#include <algorithm>

#include "assets/model.h"
#include "geometry/matrix.h"
#include "render/store.h"

namespace walkers {

namespace {

// The part's own vertices, never more than its span holds.
std::span<const Vector4> part_vertices(const ModelPart& part) {
    const size_t count =
        std::min(part.vertices.size(), static_cast<size_t>(std::max(part.vertex_count, 0)));
    return part.vertices.first(count);
}

void transform_model(ModelSlot& model, const FixedMatrix& camera) {
    FixedMatrix root;
    matrix_compose(root, model.position, model.rotation, model.scale);
    matrix_stack_reset();
    // The model's own placement acts first, the camera last.
    FixedMatrix current;
    matrix_multiply(current, root, camera);

    // part_count never exceeds the room, but the walk must not trust that.
    const size_t parts =
        std::min(model.parts.size(), static_cast<size_t>(std::max(model.part_count, 0)));
    for (size_t p = 0; p < parts; ++p) {
        ModelPart& part = model.parts[p];
        // Saves the parent's matrix; beyond 32 levels the push is refused and the
        // pops that would have reached it land on a lower level or are refused.
        matrix_stack_push(current);
        matrix_compose(part.matrix, part.translation, part.rotation, part.scale);
        matrix_multiply(current, part.matrix, current); // out may alias an input
        project_vertices(screen_vertex_at(part.first_vertex), part_vertices(part), current);
        // A refused pop leaves current as is: the next part becomes this one's child.
        if (part.pop_count != 0) matrix_stack_pop(current, part.pop_count);
    }
}

} // namespace

void transform_pass() {
    // The camera only moves every model 75 units away from the eye.
    FixedMatrix camera;
    matrix_compose(camera, Vector4{0, 0, 75, 1}, Vector4{0, 0, 0, 1}, Vector4{1, 1, 1, 1});
    for (int32_t s = 0; s < MODEL_SLOTS; ++s) {
        ModelSlot* model = model_slot(s);
        if (model != nullptr) transform_model(*model, camera);
    }
}

} // namespace walkers
