// fuzz_animation - load_animation_text on arbitrary text, then playback steps.
//
// Slot 0 drives a three-part model (room for four); slot 1 has no model. Each
// input is loaded into both and stepped; every rotation the steps write must be
// a wrapped angle, and the part beyond the model's parts must stay untouched.
// Every problem the loader reports must point inside the text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "assets/animation.h"
#include "assets/model.h"
#include "fuzz_listener.h"

using namespace walkers;

namespace {

constexpr int32_t MODEL_PARTS = 3;
constexpr int32_t STEPS = 50;
constexpr Vector4 UNTOUCHED{-5, -5, -5, -5};

bool is_angle(int32_t a) {
    return a >= 0 && a <= ANGLE_MASK;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    clear_model_table();
    clear_animation_table();
    if (create_model_slot(MODEL_PARTS + 1) != 0) std::abort();
    for (int32_t p = 0; p < MODEL_PARTS; ++p)
        add_part(0, 0, 0, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    for (int32_t p = 0; p <= MODEL_PARTS; ++p)
        *part_rotation(0, p) = UNTOUCHED;

    {
        const fuzzing::HeardProblems heard;
        load_animation_text(text.data(), 0);
        load_animation_text(text.data(), 1);
        heard.check("", fuzzing::last_line(data, size), 0);
    }
    for (int32_t step = 0; step < STEPS; ++step) {
        animation_step(0);
        animation_step(1);
    }

    const AnimationSlot* a = animation_slot(0);
    const bool played = a != nullptr && a->complete;
    const int32_t written = played ? std::min(a->parts, MODEL_PARTS) : 0;
    for (int32_t p = 0; p <= MODEL_PARTS; ++p) {
        const Vector4& r = *part_rotation(0, p);
        if (p < written) {
            if (!is_angle(r.x) || !is_angle(r.y) || !is_angle(r.z) || r.w != UNTOUCHED.w)
                std::abort();
        } else if (r.x != UNTOUCHED.x || r.y != UNTOUCHED.y || r.z != UNTOUCHED.z) {
            std::abort();
        }
    }
    return 0;
}
