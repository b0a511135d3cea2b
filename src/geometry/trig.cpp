// trig.cpp - the sine, cosine and reciprocal tables.
#include "geometry/trig.h"

#include <cmath>
#include <memory>
#include <new>

namespace walkers {

namespace {

// One angle unit in radians: 2*pi to nine decimals over 1024. The characteristic
// table values (sin 250..255 = 1023, sin 1023 = -6) depend on this exact step.
constexpr double ANGLE_STEP = 0.006135923151367188;

// The module's state. The recip table is static storage; the other two are
// heap blocks that exist from create_trig_tables to free_trig_tables.
struct MathTables {
    RecipTable recip_table{};
    std::unique_ptr<int32_t[]> sin_table;
    std::unique_ptr<int32_t[]> cos_table;
};

MathTables tables;

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
        tables.recip_table[static_cast<std::size_t>(n)] = 4096 / (n + 1);
}

int32_t create_trig_tables() {
    tables.sin_table.reset(new (std::nothrow) int32_t[TRIG_TABLE_SIZE]);
    tables.cos_table.reset(new (std::nothrow) int32_t[TRIG_TABLE_SIZE]);
    if (!tables.sin_table || !tables.cos_table) {
        // Without both tables every rotation is refused (matrix.h), never half-built.
        tables.sin_table.reset();
        tables.cos_table.reset();
        return -1;
    }
    fill_trig_tables(tables.sin_table.get(), tables.cos_table.get());
    return 0;
}

void free_trig_tables() {
    tables.sin_table.reset();
    tables.cos_table.reset();
    tables.recip_table.fill(0);
}

const RecipTable& recip_table() {
    return tables.recip_table;
}

const int32_t* sin_table() {
    return tables.sin_table.get();
}

const int32_t* cos_table() {
    return tables.cos_table.get();
}

} // namespace walkers
