// trig.h - sine, cosine and reciprocal tables.
//
// sin_table()[i] / cos_table()[i]: sin / cos of i angle units (2*pi/1024 rad
// each) times 1024, truncated towards zero; built once in double precision by
// create_trig_tables. recip_table()[n] = 4096 / (n + 1), filled by
// build_recip_table. The first 1024
// entries are the classic table; it is longer so that a span of any surface up
// to MAX_SURFACE_WIDTH pixels has its entry (the textured rasteriser replaces a
// division per span with it).
//
// The three tables are this module's state and are read through the accessors.
// free_trig_tables is its one reset: no sine or cosine table and a zeroed recip
// table, as before start-up. Start-up and shut-down reach both through
// create_math_tables and free_math_tables (math_tables.h), which also build and
// release the matrix stack; this module knows nothing of the stack.
#pragma once

#include <array>
#include <cstdint>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t RECIP_TABLE_SIZE = MAX_SURFACE_WIDTH + 1;
constexpr int32_t TRIG_TABLE_SIZE = 1024;

using RecipTable = std::array<int32_t, RECIP_TABLE_SIZE>;

void build_recip_table();
// Allocates and fills sin_table, then cos_table; a second call replaces them.
// Returns 0, or -1 when an allocation failed (both tables are then absent, so
// rotations are refused rather than half-built).
int32_t create_trig_tables();
// Releases sin_table, then cos_table, and zeroes the recip table. Safe to repeat.
void free_trig_tables();

const RecipTable& recip_table();
// TRIG_TABLE_SIZE entries each; null until create_trig_tables and after free_trig_tables.
const int32_t* sin_table();
const int32_t* cos_table();

} // namespace walkers
