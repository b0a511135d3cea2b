// matrix.h - fixed-point 4x4 matrices, the 32-level matrix stack and projection.
//
// Every shift stands where the classic formulas put it: the product shifts each
// of its four terms on its own, projection sums four terms and shifts once.
// Angles outside 0..1023 are masked with 1023 when a rotation is built.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t MATRIX_STACK_DEPTH = 32;
constexpr int32_t DEFAULT_PROJECTION_CENTRE = 128;

// The module's state is the projection centre and the matrix stack (its block
// and level), read through these accessors. The centre is 128, 128 until
// set_projection_centre; the level counts the matrices on the stack, 0..32.
int32_t projection_centre_x();
int32_t projection_centre_y();
int32_t matrix_stack_level();

void set_projection_centre(int32_t x, int32_t y);

// The stack's one block of 32 matrices: create_matrix_stack replaces any block
// with a new one at level 0 and returns 0, or -1 when the allocation failed (the
// stack is then absent and push/pop refuse with -1). reset_matrix_state is the
// module's one reset: no block, level 0, projection centre 128, 128. Start-up
// and shut-down run them through create_math_tables and free_math_tables
// (math_tables.h). Rotations read the sine and cosine tables through trig.h.
int32_t create_matrix_stack();
void reset_matrix_state();

void matrix_identity(FixedMatrix& m);
// out = a x b; returns 0. Safe even when out is a or b (computed aside first).
int32_t matrix_multiply(FixedMatrix& out, const FixedMatrix& a, const FixedMatrix& b);
// Returns 0; without the sine and cosine tables out becomes the identity and the
// result is -1.
int32_t matrix_rotation(FixedMatrix& out, const Vector4& angles);
// out = scale x rotation x translation (scale acts first); whole units become Fixed.
int32_t matrix_compose(FixedMatrix& out, const Vector4& translation, const Vector4& angles,
                       const Vector4& scale);

void matrix_stack_reset();
// Returns the level used (0..31), or -1 when the stack is full or not allocated.
int32_t matrix_stack_push(const FixedMatrix& m);
// Drops `levels` matrices and copies the lowest one dropped into out; returns the
// new level, or -1 (out and level untouched) when fewer than `levels` are held,
// levels < 1, or the stack is not allocated.
int32_t matrix_stack_pop(FixedMatrix& out, int32_t levels);

// Transforms and projects min(in.size(), out.size()) vertices through m; returns 0.
// A vertex at view depth exactly -256 keeps its undivided X, Y and no centre.
int32_t project_vertices(std::span<ScreenVertex> out, std::span<const Vector4> in,
                         const FixedMatrix& m);

} // namespace walkers
