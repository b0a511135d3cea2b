// fit.h - how a model is placed in the walkers' model units.
//
// The file's axes become the renderer's (angles.h: the forward axis turned to
// the viewer, then y down and z away), then one uniform scale makes the rest
// pose `height` units tall, and a shift puts its lowest point (the soles) at
// y = 0 and the middle of its extent in x and z at 0:
//   renderer point = scale * axes * file point + offset.
// The renderer draws no face whose average depth is below its depth 0, which
// the camera puts 75 units in front of the world's z = 0. The jump brings a
// walker to z = 0 facing the viewer (and back facing away), and the walk keeps
// it at z >= 100 facing any way. So a model must reach less than 75 units
// forward and back of its vertical axis, and less than 175 units from it in
// any direction; the fit keeps a fifth of each spare for limbs that swing out,
// and scales a long or wide model (a duck, a quadruped) below `height` to stay
// within them. A model with no height (all of it at one level) cannot be
// fitted and throws ImportError.
#pragma once

#include <vector>

#include "angles.h"
#include "source.h"

namespace walkers::import {

struct Fit {
    Mat3 axes;
    double scale = 1;
    Vec3 offset;
    double height = 0;     // the fitted height, model units
    bool too_deep = false; // scaled below the height asked for, to keep in front of depth 0

    Vec3 place(Vec3 file_point) const { return scale * (axes * file_point) + offset; }
    // A rotation of the file's world, in the renderer's axes.
    Mat3 turn(const Mat3& file_rotation) const { return axes * file_rotation * transpose(axes); }
};

Fit fit_model(const std::vector<SourceTriangle>& triangles, Forward forward, double height);

// The forward axis a format's models usually have: +x for the Quake family
// (MD2, MD3), whose characters look along their x axis; +z for the others
// (glTF's rule, and what Assimp gives most formats).
Forward default_forward(const std::string& extension);

} // namespace walkers::import
