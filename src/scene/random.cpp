// random.cpp - the one random generator of the program.
//
// A 32-bit linear congruential generator that starts at 1 and is never reseeded
// by the demo, so a run's choices repeat for the same clicks at the same frames.
// The state wraps through unsigned arithmetic: only its low 32 bits exist.
#include <cstdint>

#include "scene/scene.h"

namespace walkers {

namespace {

// The module's state: the generator's 32 bits, 1 at start.
struct RandomState {
    uint32_t random_state = 1;
};

RandomState state;

} // namespace

int32_t random_next() {
    state.random_state = state.random_state * 214013u + 2531011u;
    return static_cast<int32_t>((state.random_state >> 16) & 0x7fffu);
}

void random_reset() {
    state = RandomState{};
}

} // namespace walkers
