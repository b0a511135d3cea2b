// demo_window.h - the demo window's size, and the surface it builds at start-up.
//
// The window "TEST" opens at an outer size of DEMO_WINDOW_OUTER_WIDTH x
// DEMO_WINDOW_OUTER_HEIGHT; the scene's surface is its client area, the outer
// size less the menu bar (DEMO_MENU_BAR_HEIGHT rows in the standard Qt style).
// The desktop window sizes itself from the outer size; the front ends without a
// window (the snapshot tool, the page, the checker, the icon renderer) build
// DEMO_SURFACE_WIDTH x DEMO_SURFACE_HEIGHT, so they frame the scene as the
// window does. The scene advances one step a frame, DEMO_FRAMES_PER_SECOND
// frames a second whatever the display's refresh rate: the walkers' speed, and
// the rate the importer holds a clip's poses for. Constants only.
#pragma once

#include <cstdint>

namespace walkers {

constexpr int32_t DEMO_WINDOW_OUTER_WIDTH = 520;
constexpr int32_t DEMO_WINDOW_OUTER_HEIGHT = 508;
constexpr int32_t DEMO_MENU_BAR_HEIGHT = 19;

constexpr int32_t DEMO_SURFACE_WIDTH = DEMO_WINDOW_OUTER_WIDTH;
constexpr int32_t DEMO_SURFACE_HEIGHT = DEMO_WINDOW_OUTER_HEIGHT - DEMO_MENU_BAR_HEIGHT;

constexpr int32_t DEMO_FRAMES_PER_SECOND = 60;

} // namespace walkers
