// angles.h - rotations as the renderer's three angles, and the change of axes.
//
// The renderer turns a point (a row vector, y down, z away from the viewer) by
// three angles in 1024 units a turn: first in the x-y plane by az, then in the
// z-x plane by ay, then in the y-z plane by ax. Written as the column-vector
// matrix R (v' = R v) of this importer, its transpose is the renderer's matrix
//   m[0][0] = cY cZ   m[0][1] = -sX sY cZ - cX sZ   m[0][2] = -cX sY cZ + sX sZ
//   m[1][0] = cY sZ   m[1][1] =  cX cZ - sX sY sZ   m[1][2] = -sX cZ - cX sY sZ
//   m[2][0] = sY      m[2][1] =  sX cY              m[2][2] =  cX cY
// so ay = asin m[2][0], ax = atan2(m[2][1], m[2][2]) and az = atan2(m[1][0],
// m[0][0]); when cY is 0 (ay a quarter turn) only ax + az or ax - az is fixed,
// and ax is taken as 0. Each angle is rounded to the nearest unit, 0..1023.
//
// Model files are right-handed with y up and the viewer on +z; the renderer is
// right-handed with y down and the viewer on -z. The change between them is a
// half turn about x, diag(1, -1, -1): a rotation, so nothing is mirrored and a
// rotation R of the file becomes C R C in the renderer's axes. Before it, the
// model's forward axis is turned onto +z, which the change makes the renderer's
// -z: the model then faces the viewer at heading 0, as the generated walker does.
#pragma once

#include <cstdint>
#include <string>

#include "space.h"

namespace walkers::import {

struct Angles {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
};

inline bool operator==(const Angles& a, const Angles& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// The angles of a rotation given in the renderer's axes (column form).
Angles renderer_angles(const Mat3& rotation);
// The exact rotation the angles stand for (column form), without the tables'
// rounding: the inverse of renderer_angles up to the unit's rounding.
Mat3 renderer_rotation(Angles a);

// The model's forward axis in its own file, turned to face the viewer.
enum class Forward { plus_z, minus_z, plus_x, minus_x };

// "+z", "-z", "+x" or "-x" (also without the plus); false for anything else.
bool parse_forward(const std::string& text, Forward& out);
std::string forward_name(Forward f);

// The model file's axes to the renderer's: the forward turn, then diag(1, -1, -1).
Mat3 file_to_renderer(Forward forward);

} // namespace walkers::import
