// transform_pass.cpp - every model slot's hierarchy, once per frame.
#include "scene/transform_pass.h"

#include <algorithm>

#include "assets/model.h"
#include "geometry/matrix.h"
#include "geometry/transform.h"
#include "render/store.h"

namespace walkers {

namespace {

// part_count never exceeds the room, but the pass must not trust that.
std::span<ModelPart> parts_in_use(const ModelSlot& model) {
    const size_t count =
        std::min(model.parts.size(), static_cast<size_t>(std::max(model.part_count, 0)));
    return model.parts.first(count);
}

} // namespace

void transform_pass() {
    // Made afresh on every call: translation (0, 0, CAMERA_SHIFT), no turn, unit scale.
    FixedMatrix camera;
    matrix_compose(camera, Vector4{0, 0, CAMERA_SHIFT, 1}, Vector4{0, 0, 0, 1},
                   Vector4{1, 1, 1, 1});
    const std::span<ScreenVertex> screen = screen_vertex_at(0);
    for (int32_t s = 0; s < MODEL_SLOTS; ++s) {
        ModelSlot* model = model_slot(s);
        if (model == nullptr) continue;
        transform_hierarchy(model->position, model->rotation, model->scale, parts_in_use(*model),
                            camera, screen);
    }
}

} // namespace walkers
