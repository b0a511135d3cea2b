// matrix.cpp - matrices, the matrix stack and projection.
//
// Every product and sum goes through wrap_mul / wrap_add / wrap_sub: with the
// system's own data they never leave 32 bits, so the results are the plain signed
// ones, and input large enough to overflow wraps instead of being undefined.
#include "geometry/matrix.h"

#include <algorithm>
#include <memory>
#include <new>

#include "geometry/trig.h"

namespace walkers {

namespace {

// View depth of the eye: projection divides by Z + 256.
constexpr int32_t EYE_DISTANCE = 256;

// The module's state: where projection puts the view axis, and the stack.
struct MatrixState {
    int32_t projection_centre_x = DEFAULT_PROJECTION_CENTRE;
    int32_t projection_centre_y = DEFAULT_PROJECTION_CENTRE;
    int32_t matrix_stack_level = 0;
    std::unique_ptr<FixedMatrix[]> matrix_stack; // MATRIX_STACK_DEPTH entries, or none
};

MatrixState state;

// (-(a * b)) >> 10: the product is negated before the shift, so it rounds the
// other way from fixed_mul(a, b) negated.
constexpr Fixed neg_fixed_mul(Fixed a, Fixed b) {
    return wrap_sub(0, wrap_mul(a, b)) >> FIXED_SHIFT;
}

// One component of a projected vertex: the sum of the row products, unshifted.
int32_t project_sum(const Vector4& v, const FixedMatrix& m, int32_t c) {
    int32_t sum = wrap_mul(v.x, m.m[0][c]);
    sum = wrap_add(sum, wrap_mul(v.y, m.m[1][c]));
    sum = wrap_add(sum, wrap_mul(v.z, m.m[2][c]));
    return wrap_add(sum, m.m[3][c]);
}

} // namespace

int32_t projection_centre_x() {
    return state.projection_centre_x;
}
int32_t projection_centre_y() {
    return state.projection_centre_y;
}
int32_t matrix_stack_level() {
    return state.matrix_stack_level;
}

void set_projection_centre(int32_t x, int32_t y) {
    state.projection_centre_x = x;
    state.projection_centre_y = y;
}

int32_t create_matrix_stack() {
    state.matrix_stack.reset(new (std::nothrow) FixedMatrix[MATRIX_STACK_DEPTH]());
    state.matrix_stack_level = 0;
    return state.matrix_stack ? 0 : -1;
}

void reset_matrix_state() {
    state = MatrixState{};
}

void matrix_identity(FixedMatrix& m) {
    for (int32_t r = 0; r < 4; ++r)
        for (int32_t c = 0; c < 4; ++c)
            m.m[r][c] = (r == c) ? FIXED_ONE : 0;
}

int32_t matrix_multiply(FixedMatrix& out, const FixedMatrix& a, const FixedMatrix& b) {
    FixedMatrix result;
    for (int32_t r = 0; r < 4; ++r) {
        for (int32_t c = 0; c < 4; ++c) {
            // Each term is shifted on its own so no intermediate needs more than 32 bits.
            int32_t sum = 0;
            for (int32_t k = 0; k < 4; ++k)
                sum = wrap_add(sum, fixed_mul(a.m[r][k], b.m[k][c]));
            result.m[r][c] = sum;
        }
    }
    out = result;
    return 0;
}

int32_t matrix_rotation(FixedMatrix& out, const Vector4& angles) {
    matrix_identity(out);
    const int32_t* sines = sin_table();
    const int32_t* cosines = cos_table();
    if (sines == nullptr || cosines == nullptr) return -1;
    const int32_t ax = angles.x & ANGLE_MASK;
    const int32_t ay = angles.y & ANGLE_MASK;
    const int32_t az = angles.z & ANGLE_MASK;
    const Fixed sx = sines[ax], cx = cosines[ax];
    const Fixed sy = sines[ay], cy = cosines[ay];
    const Fixed sz = sines[az], cz = cosines[az];

    // The rounding of each entry is fixed by where its shifts stand.
    out.m[0][0] = fixed_mul(cy, cz);
    out.m[0][1] = wrap_sub(fixed_mul(neg_fixed_mul(sx, sy), cz), fixed_mul(cx, sz));
    out.m[0][2] = wrap_add(fixed_mul(neg_fixed_mul(cx, sy), cz), fixed_mul(sx, sz));
    out.m[1][0] = fixed_mul(cy, sz);
    out.m[1][1] = wrap_sub(fixed_mul(cx, cz), fixed_mul(fixed_mul(sx, sy), sz));
    out.m[1][2] = wrap_sub(neg_fixed_mul(sx, cz), fixed_mul(fixed_mul(cx, sy), sz));
    out.m[2][0] = sy;
    out.m[2][1] = fixed_mul(sx, cy);
    out.m[2][2] = fixed_mul(cx, cy);
    return 0;
}

// S x (R x T) written out: S is diagonal, T the identity with a translation
// row, and R keeps column 3 at (0, 0, 0, 1024). Every term the full products
// would add for a zero entry is (0 * x) >> 10 = 0, so these are the same
// values, product for product, without the 128 multiplications.
int32_t matrix_compose(FixedMatrix& out, const Vector4& translation, const Vector4& angles,
                       const Vector4& scale) {
    FixedMatrix r;
    const int32_t result = matrix_rotation(r, angles);
    const Fixed t[3] = {wrap_shl(translation.x, FIXED_SHIFT), wrap_shl(translation.y, FIXED_SHIFT),
                        wrap_shl(translation.z, FIXED_SHIFT)};
    const Fixed s[4] = {wrap_shl(scale.x, FIXED_SHIFT), wrap_shl(scale.y, FIXED_SHIFT),
                        wrap_shl(scale.z, FIXED_SHIFT), FIXED_ONE};
    // R x T. The rotation's entries come through x 1024 >> 10 unchanged: they
    // are table values of at most 1024, or sums of two products of them shifted
    // back by 10, far too small for x 1024 to wrap. The translation row keeps
    // its 1024 x t >> 10, which wraps for large t.
    FixedMatrix rt = r;
    for (int32_t col = 0; col < 3; ++col)
        rt.m[3][col] = fixed_mul(FIXED_ONE, t[col]);
    rt.m[3][3] = FIXED_ONE;
    // S x (R x T): each row scaled by its diagonal entry.
    for (int32_t row = 0; row < 4; ++row)
        for (int32_t col = 0; col < 4; ++col)
            out.m[row][col] = fixed_mul(s[row], rt.m[row][col]);
    return result;
}

void matrix_stack_reset() {
    state.matrix_stack_level = 0;
}

int32_t matrix_stack_push(const FixedMatrix& m) {
    if (!state.matrix_stack || state.matrix_stack_level >= MATRIX_STACK_DEPTH) return -1;
    const int32_t used = state.matrix_stack_level;
    state.matrix_stack[used] = m;
    state.matrix_stack_level = used + 1;
    return used;
}

int32_t matrix_stack_pop(FixedMatrix& out, int32_t levels) {
    // levels < 1 would read the entry at (or above) the level, which may lie past
    // the block: refused like an underflow.
    if (!state.matrix_stack || levels < 1 || levels > state.matrix_stack_level) return -1;
    const int32_t n = state.matrix_stack_level - levels;
    out = state.matrix_stack[n];
    state.matrix_stack_level = n;
    return n;
}

int32_t project_vertices(std::span<ScreenVertex> out, std::span<const Vector4> in,
                         const FixedMatrix& m) {
    const size_t count = std::min(out.size(), in.size());
    // Read once: the loop's stores could otherwise be taken to change them.
    const int32_t centre_x = state.projection_centre_x;
    const int32_t centre_y = state.projection_centre_y;
    for (size_t i = 0; i < count; ++i) {
        const Vector4& v = in[i];
        ScreenVertex& s = out[i];
        const int32_t x = project_sum(v, m, 0) >> 2;
        const int32_t y = project_sum(v, m, 1) >> 2;
        const int32_t z = project_sum(v, m, 2) >> FIXED_SHIFT;
        s.depth = z;
        if (z == -EYE_DISTANCE) {
            // On the eye plane: no division, no centre.
            s.x = x;
            s.y = y;
            continue;
        }
        // |x| < 2^30 and z + 256 is never 0 here, so the division cannot trap.
        const int32_t w = z + EYE_DISTANCE;
        s.x = wrap_add(x / w, centre_x);
        s.y = wrap_add(y / w, centre_y);
    }
    return 0;
}

} // namespace walkers
