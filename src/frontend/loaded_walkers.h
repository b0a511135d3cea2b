// loaded_walkers.h - what setup_scene's loads left the front ends to show.
//
// After setup_scene: how many walkers got a model, and how many of those have
// anything to draw, that is faces their loads put in the primitive store. A
// model file whose sections were misread, or whose meshes all lost their
// geometry, loads a model that draws nothing; the front ends say so (the
// window's notice, the snapshot tool's refusal, the checker's error) rather
// than show an empty floor as if it were the picture. It is decided from what
// the loads produced, never from pixels. Standard library only.
#pragma once

#include <cstdint>

namespace walkers {

struct LoadedWalkers {
    int32_t loaded = 0;  // walkers with a model
    int32_t drawing = 0; // of those, walkers with at least one face
};

LoadedWalkers count_loaded_walkers();

} // namespace walkers
