// transform.h - the per-frame pass that puts every model in front of the camera.
//
// For every occupied model slot, in slot order: root = compose(position, rotation,
// scale); current = root x camera; then each part, depth-first in stored order,
// pushes current, composes its own matrix, current = part x current, projects its
// vertices into the ScreenVertex array, and pops pop_count levels.
#pragma once

namespace walkers {

void transform_pass();

} // namespace walkers
