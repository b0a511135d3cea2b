// transform_pass.h - the per-frame pass that puts every model in front of the camera.
//
// For every occupied model slot, in slot order, the slot's part hierarchy is
// composed and projected into the current store's ScreenVertex array
// (transform_hierarchy, geometry/transform.h) from its position, rotation and
// scale and the parts in use. The camera only moves every model CAMERA_SHIFT
// units away from the eye along z. Vertices of no part keep what their entries
// held.
#pragma once

#include <cstdint>

namespace walkers {

// How far the camera moves every model away from the eye along z (model units).
// The projection's eye is at depth -256, so it looks from 331 units in front of
// the world's z = 0; depth 0, nearer than which no face is drawn, lies
// CAMERA_SHIFT units in front of that plane, and bounds how far a model may
// reach towards the viewer.
constexpr int32_t CAMERA_SHIFT = 75;

void transform_pass();

} // namespace walkers
