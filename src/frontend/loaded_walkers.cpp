// loaded_walkers.cpp - counts the walkers setup loaded, and those that draw.
#include "frontend/loaded_walkers.h"

#include "scene/scene.h"

namespace walkers {

LoadedWalkers count_loaded_walkers() {
    LoadedWalkers counts;
    for (std::size_t i = 0; i < walkers().size(); ++i) {
        if (walkers()[i].model < 0) continue;
        ++counts.loaded;
        counts.drawing += walker_store_use()[i].primitive_bytes > 0;
    }
    return counts;
}

} // namespace walkers
