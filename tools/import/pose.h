// pose.h - where every node of a model is at a moment of one of its clips.
//
// node_placements gives each node's placement in the file's world at `seconds`
// into the clip (none: the rest pose). A channel's keys are interpolated
// linearly (positions, scales) and spherically (rotations), held before the
// first key and after the last; a node without a channel, or a channel without
// keys of a kind, keeps that part of its rest placement. Each node is its
// parent's placement times its own position, rotation and scale, in that order.
#pragma once

#include <vector>

#include "source.h"

namespace walkers::import {

std::vector<Affine> node_placements(const SourceScene& scene, const SourceClip* clip,
                                    double seconds);

// A node's turn away from its rest orientation in `placements` (node_placements
// at some moment), in the file's axes.
Mat3 turn_from_rest(const SourceScene& scene, const std::vector<Affine>& placements, int32_t node);

// The clip's length in seconds (0 for none).
double clip_seconds(const SourceClip* clip);

} // namespace walkers::import
