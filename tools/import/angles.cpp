#include "angles.h"

#include <algorithm>
#include <numbers>

#include "geometry/fixed.h"

namespace walkers::import {
namespace {

constexpr double TURN = 2 * std::numbers::pi;
// Below this |cos ay| the x and z turns share one axis (gimbal lock).
constexpr double LOCKED = 1e-9;

int32_t units(double radians) {
    const auto u = static_cast<int64_t>(std::lround(radians / TURN * ANGLE_UNITS));
    return static_cast<int32_t>(((u % ANGLE_UNITS) + ANGLE_UNITS) % ANGLE_UNITS);
}

double radians(int32_t u) {
    return u * TURN / ANGLE_UNITS;
}

// A turn by `quarter` quarter turns about the vertical (y) axis, column form.
Mat3 quarter_turns_about_y(int32_t quarter) {
    const double a = quarter * std::numbers::pi / 2;
    const double c = std::round(std::cos(a)), s = std::round(std::sin(a));
    Mat3 r;
    r.m = {{{c, 0, s}, {0, 1, 0}, {-s, 0, c}}};
    return r;
}

} // namespace

Angles renderer_angles(const Mat3& rotation) {
    const Mat3 m = transpose(rotation); // the renderer's row-vector matrix
    const double sy = std::clamp(m.m[2][0], -1.0, 1.0);
    const double ay = std::asin(sy);
    if (std::abs(std::cos(ay)) > LOCKED)
        return {units(std::atan2(m.m[2][1], m.m[2][2])), units(ay),
                units(std::atan2(m.m[1][0], m.m[0][0]))};
    // ax = 0: m[0][1] = -sZ, m[1][1] = cZ whichever way ay points.
    return {0, units(ay), units(std::atan2(-m.m[0][1], m.m[1][1]))};
}

Mat3 renderer_rotation(Angles a) {
    const double sx = std::sin(radians(a.x)), cx = std::cos(radians(a.x));
    const double sy = std::sin(radians(a.y)), cy = std::cos(radians(a.y));
    const double sz = std::sin(radians(a.z)), cz = std::cos(radians(a.z));
    Mat3 m;
    m.m = {{{cy * cz, -sx * sy * cz - cx * sz, -cx * sy * cz + sx * sz},
            {cy * sz, cx * cz - sx * sy * sz, -sx * cz - cx * sy * sz},
            {sy, sx * cy, cx * cy}}};
    return transpose(m);
}

bool parse_forward(const std::string& text, Forward& out) {
    static const std::pair<const char*, Forward> names[] = {
        {"+z", Forward::plus_z}, {"z", Forward::plus_z}, {"-z", Forward::minus_z},
        {"+x", Forward::plus_x}, {"x", Forward::plus_x}, {"-x", Forward::minus_x}};
    for (const auto& [name, f] : names) {
        if (text == name) {
            out = f;
            return true;
        }
    }
    return false;
}

std::string forward_name(Forward f) {
    switch (f) {
    case Forward::plus_z:
        return "+z";
    case Forward::minus_z:
        return "-z";
    case Forward::plus_x:
        return "+x";
    case Forward::minus_x:
        return "-x";
    }
    return "+z";
}

Mat3 file_to_renderer(Forward forward) {
    // Turns about y that carry the forward axis onto +z.
    const int32_t quarter = forward == Forward::plus_z    ? 0
                            : forward == Forward::minus_x ? 1
                            : forward == Forward::minus_z ? 2
                                                          : 3;
    Mat3 change;
    change.m = {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}};
    return change * quarter_turns_about_y(quarter);
}

} // namespace walkers::import
