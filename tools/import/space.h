// space.h - vectors, rotations and placements for the importer's geometry.
//
// Everything here is double precision and column-vector: a matrix M maps a
// point v to M v, and in A B the matrix B acts first. That is the model files'
// own convention (Assimp's), so their matrices are read as they stand; the
// renderer's row-vector form (v M, the first matrix acting first) appears only
// where angles are made for it (angles.h). Small and header-only on purpose:
// the importer's arithmetic, nothing more.
#pragma once

#include <array>
#include <cmath>

namespace walkers::import {

struct Vec3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(double s, Vec3 v) {
    return {s * v.x, s * v.y, s * v.z};
}
inline double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double length(Vec3 v) {
    return std::sqrt(dot(v, v));
}
inline bool finite(Vec3 v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A triangle's normal: it points to the side from which the corners run
// counter-clockwise (right-handed axes), and its length is twice the area.
inline Vec3 triangle_normal(const std::array<Vec3, 3>& corner) {
    return cross(corner[1] - corner[0], corner[2] - corner[0]);
}
inline double triangle_area(const std::array<Vec3, 3>& corner) {
    return 0.5 * length(triangle_normal(corner));
}

// A 3 x 3 matrix, m[row][column].
struct Mat3 {
    std::array<std::array<double, 3>, 3> m{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}};
};

inline Mat3 operator*(const Mat3& a, const Mat3& b) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
    return r;
}
inline Vec3 operator*(const Mat3& a, Vec3 v) {
    return {a.m[0][0] * v.x + a.m[0][1] * v.y + a.m[0][2] * v.z,
            a.m[1][0] * v.x + a.m[1][1] * v.y + a.m[1][2] * v.z,
            a.m[2][0] * v.x + a.m[2][1] * v.y + a.m[2][2] * v.z};
}
inline Mat3 transpose(const Mat3& a) {
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = a.m[j][i];
    return r;
}
inline Vec3 column(const Mat3& a, int j) {
    return {a.m[0][j], a.m[1][j], a.m[2][j]};
}
inline Mat3 from_columns(Vec3 x, Vec3 y, Vec3 z) {
    Mat3 r;
    r.m = {{{x.x, y.x, z.x}, {x.y, y.y, z.y}, {x.z, y.z, z.z}}};
    return r;
}

struct Quat {
    double w = 1;
    double x = 0;
    double y = 0;
    double z = 0;
};

// The rotation of a unit quaternion (normalised first; a zero one is no turn).
inline Mat3 rotation_of(Quat q) {
    const double n = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
    if (!(n > 0) || !std::isfinite(n)) return {};
    const double w = q.w / n, x = q.x / n, y = q.y / n, z = q.z / n;
    Mat3 r;
    r.m = {{{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
            {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
            {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}}};
    return r;
}

// Spherical interpolation from a to b by t in 0..1, the short way round.
inline Quat slerp(Quat a, Quat b, double t) {
    double d = a.w * b.w + a.x * b.x + a.y * b.y + a.z * b.z;
    if (d < 0) {
        b = {-b.w, -b.x, -b.y, -b.z};
        d = -d;
    }
    double ka = 1 - t, kb = t;
    if (d < 0.9995) {
        const double angle = std::acos(d);
        const double s = std::sin(angle);
        ka = std::sin((1 - t) * angle) / s;
        kb = std::sin(t * angle) / s;
    }
    return {ka * a.w + kb * b.w, ka * a.x + kb * b.x, ka * a.y + kb * b.y, ka * a.z + kb * b.z};
}

// An affine placement: linear part (rotation, scale, shear) then offset.
struct Affine {
    Mat3 linear;
    Vec3 offset;
};

inline Vec3 apply(const Affine& a, Vec3 v) {
    return a.linear * v + a.offset;
}
// a after b: apply(compose(a, b), v) == apply(a, apply(b, v)).
inline Affine compose(const Affine& a, const Affine& b) {
    return {a.linear * b.linear, a.linear * b.offset + a.offset};
}

// The rotation nearest to the linear part, with scale and shear taken out
// (Gram-Schmidt on the columns; a mirrored placement keeps its turn and drops
// the mirror). A degenerate matrix gives no turn.
inline Mat3 rotation_part(const Mat3& a) {
    Vec3 x = column(a, 0), y = column(a, 1);
    const double lx = length(x);
    if (!(lx > 0) || !std::isfinite(lx)) return {};
    x = (1 / lx) * x;
    y = y - dot(x, y) * x;
    const double ly = length(y);
    if (!(ly > 0) || !std::isfinite(ly)) return {};
    y = (1 / ly) * y;
    return from_columns(x, y, cross(x, y));
}

} // namespace walkers::import
