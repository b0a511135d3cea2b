// trig.h - sine, cosine and reciprocal tables.
//
// sin_table()[i] / cos_table()[i]: sin / cos of i angle units (2*pi/1024 rad
// each) times 1024, truncated towards zero; built once in double precision by
// create_math_tables, which also allocates the matrix stack (matrix.h).
// recip_table()[n] = 4096 / (n + 1), filled by build_recip_table. The first 1024
// entries are the classic table; it is longer so that a span of any surface up
// to MAX_SURFACE_WIDTH pixels has its entry (the textured rasteriser replaces a
// division per span with it).
//
// The three tables are this module's state and are read through the accessors.
// free_math_tables is its one reset, and puts the matrix module back too: no
// sine, cosine or stack block, a zeroed recip table, stack level 0 and the
// projection centre at 128, 128, as before start-up.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t RECIP_TABLE_SIZE = MAX_SURFACE_WIDTH + 1;
constexpr int32_t TRIG_TABLE_SIZE = 1024;

using RecipTable = std::array<int32_t, RECIP_TABLE_SIZE>;

void build_recip_table();
// Fills sin_table and cos_table and allocates the matrix stack; a second call
// replaces them. Returns 0, or -1 when an allocation failed (the sine and cosine
// tables are then absent).
int32_t create_math_tables();
// Releases the matrix stack block, then sin_table, then cos_table, zeroes the
// recip table and resets the matrix module (matrix.h). Safe to repeat.
void free_math_tables();

const RecipTable& recip_table();
// TRIG_TABLE_SIZE entries each; null until create_math_tables and after free_math_tables.
const int32_t* sin_table();
const int32_t* cos_table();

} // namespace walkers
