// clip.h - a model's clip as the walkers' keys and poses.
//
// The clip is sampled `fps` times a second (evenly over its length, so the last
// sample leads back round to the first); each sample is a pose: every part's
// rotation against its parent, in the renderer's angles. A part's rotation is
// how far its node has turned from its rest orientation, taken against the
// turn of its parent part's node, so the rest pose is all zero and the bone
// section needs no rotation. Translations and scales of the clip cannot be
// played (the format turns parts only): how far a part's joint strays from
// where the rotations alone put it is measured, so the importer can say so.
//
// How the player plays keys decides the layout. A key shows its own pose on its
// first step and then moves back towards the pose of the key before it, so any
// in-between motion within a key runs backwards in time. Each sample is
// therefore held for its steps at 60 a second: a key of one step that shows
// the pose (and leaves it as the "previous" pose), then, for samples that
// last longer, a key of the remaining steps with the same pose, whose blend runs
// between two equal poses and so holds it. At 15 samples a second that is a
// clean 15-frame-a-second animation at the clip's true speed; 60 samples a
// second (one key per step) is smooth but takes four times the poses. The last
// key leads to the first. A model without a clip stands in its rest pose: one
// key of one step, leading to itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "angles.h"
#include "data_texts.h"
#include "fit.h"
#include "frontend/demo_window.h"
#include "parts.h"

namespace walkers::import {

struct ClipPlan {
    std::string name; // empty: no clip
    double seconds = 0;
    int32_t samples_wanted = 1; // over the whole clip
    std::vector<double> times;  // the samples kept, seconds into the clip
    std::vector<int32_t> steps; // per sample kept: demo frames it lasts
};

// The samples for the whole clip; `max_samples` cuts it short (0: keep all).
ClipPlan plan_clip(const SourceClip* clip, double fps, int32_t max_samples);

// Per sample, per part: its angles.
std::vector<std::vector<Angles>> sample_poses(const SourceScene& scene, const SourceClip* clip,
                                              const PartPlan& parts, const Fit& fit,
                                              const ClipPlan& plan);

// The key chain for the samples (see above): poses in sample order.
std::vector<writers::AnimationKey> hold_keys(const std::vector<int32_t>& steps);

// How far each part's joint strays over the samples from where its parent
// part's rotations put it (model units), and how much each node's scale
// changes (a factor's distance from 1).
struct Strays {
    double joint = 0;
    int32_t joint_part = -1;
    double scale = 0;
    int32_t scale_node = -1;
};
Strays measure_strays(const SourceScene& scene, const SourceClip* clip, const PartPlan& parts,
                      const Fit& fit, const ClipPlan& plan);

} // namespace walkers::import
