// math_tables.h - the geometry's tables and matrix stack, built and released together.
//
// create_math_tables and free_math_tables are the two calls scene setup and
// teardown make (after build_recip_table at start-up). They are the one place
// that orders the two modules' own creation and reset: create_math_tables runs
// create_trig_tables (the sine, then the cosine table; trig.h), then
// create_matrix_stack (matrix.h); free_math_tables runs reset_matrix_state,
// which releases the stack block, then free_trig_tables (the sine, then the
// cosine table, and the recip table zeroed). The trig and matrix modules never
// call each other's creation or reset; the matrix module only reads the sine
// and cosine tables through trig.h's accessors.
#pragma once

#include <cstdint>

namespace walkers {

// Returns 0, or -1 when an allocation failed: the tables (both or neither) or
// the stack block are then absent, and rotations or pushes are refused.
int32_t create_math_tables();
// Puts both modules back as before start-up. Safe to repeat.
void free_math_tables();

} // namespace walkers
