// transform_pass.h - the per-frame pass that puts every model in front of the camera.
//
// For every occupied model slot, in slot order, the slot's part hierarchy is
// composed and projected into the current store's ScreenVertex array
// (transform_hierarchy, geometry/transform.h) from its position, rotation and
// scale and the parts in use. The camera only moves every model 75 units away
// from the eye along z. Vertices of no part keep what their entries held.
#pragma once

namespace walkers {

void transform_pass();

} // namespace walkers
