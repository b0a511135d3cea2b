// stick_figure.h - a skeleton without meshes (a motion-capture clip) made visible.
//
// Every bone, from a joint to one of its child joints, becomes a tapered box:
// square in section, as long as the bone, its half-width a tenth of its length
// held between 1.2 % and 3.5 % of the skeleton's size at the parent end and
// three fifths of that at the child end, so limbs read as limbs and long spine
// segments do not swell. The box belongs to the parent joint, whose rotation
// swings it (joints with little motion may later be merged into their parents,
// parts.h). Bones of no length are skipped, and when the boxes would not fit
// `max_boxes`, the shortest bones are skipped too.
// The boxes are added to the scene as triangles of a new material, wound as
// the model file's own faces are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "source.h"

namespace walkers::import {

struct StickFigure {
    int32_t bones = 0;                // bones with a length
    std::vector<std::string> skipped; // child joints of the bones left out, shortest last
};

StickFigure add_stick_figure(SourceScene& scene, int32_t max_boxes);

// Vertices and faces of one box.
constexpr int32_t STICK_BOX_VERTICES = 8;
constexpr int32_t STICK_BOX_QUADS = 6;

} // namespace walkers::import
