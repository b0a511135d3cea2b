// trig.cpp - the sine, cosine and reciprocal tables.
#include "geometry/trig.h"

#include <cmath>
#include <memory>
#include <new>

#include "geometry/matrix.h"

namespace walkers {

std::array<int32_t, RECIP_TABLE_SIZE> recip_table{};
int32_t* sin_table = nullptr;
int32_t* cos_table = nullptr;

namespace {

// One angle unit in radians: 2*pi to nine decimals over 1024. The characteristic
// table values (sin 250..255 = 1023, sin 1023 = -6) depend on this exact step.
constexpr double ANGLE_STEP = 0.006135923151367188;

// Owners of the two table blocks; sin_table and cos_table point into them.
std::unique_ptr<int32_t[]> sin_block;
std::unique_ptr<int32_t[]> cos_block;

void fill_trig_tables(int32_t* sines, int32_t* cosines) {
    for (int32_t i = 0; i < TRIG_TABLE_SIZE; ++i) {
        const double angle = static_cast<double>(i) * ANGLE_STEP;
        // static_cast truncates towards zero, as the tables want.
        sines[i] = static_cast<int32_t>(std::sin(angle) * 1024.0);
        cosines[i] = static_cast<int32_t>(std::cos(angle) * 1024.0);
    }
}

} // namespace

void build_recip_table() {
    for (int32_t n = 0; n < RECIP_TABLE_SIZE; ++n)
        recip_table[n] = 4096 / (n + 1);
}

int32_t create_math_tables() {
    free_math_tables(); // a second call starts afresh instead of leaking
    std::unique_ptr<int32_t[]> sines(new (std::nothrow) int32_t[TRIG_TABLE_SIZE]);
    std::unique_ptr<int32_t[]> cosines(new (std::nothrow) int32_t[TRIG_TABLE_SIZE]);
    if (!sines || !cosines) return -1;
    if (allocate_matrix_stack() != 0) return -1;
    fill_trig_tables(sines.get(), cosines.get());
    sin_block = std::move(sines);
    cos_block = std::move(cosines);
    sin_table = sin_block.get();
    cos_table = cos_block.get();
    return 0;
}

void free_math_tables() {
    release_matrix_stack();
    sin_table = nullptr;
    sin_block.reset();
    cos_table = nullptr;
    cos_block.reset();
}

} // namespace walkers
