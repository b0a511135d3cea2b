// math_tables.cpp - start-up and shut-down of the trig tables and the matrix stack, in order.
#include "geometry/math_tables.h"

#include "geometry/matrix.h"
#include "geometry/trig.h"

namespace walkers {

int32_t create_math_tables() {
    const int32_t tables = create_trig_tables();
    const int32_t stack = create_matrix_stack();
    return tables == 0 && stack == 0 ? 0 : -1;
}

void free_math_tables() {
    reset_matrix_state();
    free_trig_tables();
}

} // namespace walkers
