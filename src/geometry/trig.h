// trig.h - sine, cosine and reciprocal tables.
//
// sin_table[i] / cos_table[i]: sin / cos of i angle units (2*pi/1024 rad each)
// times 1024, truncated towards zero; built once in double precision by
// create_math_tables, which also allocates the matrix stack (matrix.h).
// recip_table[n] = 4096 / (n + 1). The first 1024 entries are the classic table;
// it is longer so that a span of any surface up to MAX_SURFACE_WIDTH pixels has
// its entry (the textured rasteriser replaces a division per span with it).
#pragma once

#include <array>
#include <cstdint>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t RECIP_TABLE_SIZE = MAX_SURFACE_WIDTH + 1;
constexpr int32_t TRIG_TABLE_SIZE = 1024;

extern std::array<int32_t, RECIP_TABLE_SIZE> recip_table;
// Null until create_math_tables and after free_math_tables.
extern int32_t* sin_table;
extern int32_t* cos_table;

void build_recip_table();
// Returns 0, or -1 when an allocation failed (nothing is then kept).
int32_t create_math_tables();
// Releases the matrix stack block, then sin_table, then cos_table. Safe to repeat.
void free_math_tables();

} // namespace walkers
