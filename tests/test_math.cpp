// Tables, matrices, the matrix stack and projection: exact fixed-point results.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "fresh_state.h"
#include "frontend/snapshot.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "geometry/trig.h"

using namespace walkers;

namespace {

class MathTest : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        build_recip_table();
        ASSERT_EQ(create_math_tables(), 0);
    }
};

FixedMatrix identity() {
    FixedMatrix m;
    matrix_identity(m);
    return m;
}

// Rows 0..2 of the linear part.
void expect_linear(const FixedMatrix& m, std::array<std::array<Fixed, 3>, 3> rows) {
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(m.m[r][c], rows[r][c]) << "m[" << r << "][" << c << "]";
}

void expect_equal(const FixedMatrix& a, const FixedMatrix& b) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(a.m[r][c], b.m[r][c]) << "m[" << r << "][" << c << "]";
}

// A matrix with distinct, signed entries.
FixedMatrix sample_matrix() {
    FixedMatrix m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            m.m[r][c] = (r * 4 + c - 7) * 131;
    return m;
}

} // namespace

TEST_F(MathTest, TrigTablesHoldTheCharacteristicValues) {
    EXPECT_EQ(sin_table()[0], 0);
    EXPECT_EQ(sin_table()[1], 6);
    EXPECT_EQ(sin_table()[128], 724);
    for (int i = 250; i <= 255; ++i)
        EXPECT_EQ(sin_table()[i], 1023) << i;
    EXPECT_EQ(sin_table()[256], 1024);
    EXPECT_EQ(sin_table()[257], 1023);
    EXPECT_EQ(sin_table()[768], -1024);
    EXPECT_EQ(sin_table()[1023], -6);
    EXPECT_EQ(cos_table()[0], 1024);
    EXPECT_EQ(cos_table()[1], 1023);
    EXPECT_EQ(cos_table()[128], 724);
    EXPECT_EQ(cos_table()[256], 0);
    EXPECT_EQ(cos_table()[512], -1024);
}

// The tables come from the C library's sin and cos, which differ by an ulp
// between libraries. Truncation hides that: apart from the exact 0 and +-1024
// entries, no sin or cos x 1024 lies within 4e-8 of an integer. This digest of
// all 2048 entries pins them, so every toolchain that runs the suite must agree.
TEST_F(MathTest, TrigTablesMatchTheirDigestEntryByEntry) {
    uint32_t digest = 0;
    for (const int32_t* table : {sin_table(), cos_table()}) {
        for (int i = 0; i < TRIG_TABLE_SIZE; ++i) {
            const uint32_t v = static_cast<uint32_t>(table[i]);
            const uint8_t bytes[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                                      static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
            digest = crc32_update(digest, bytes);
        }
    }
    EXPECT_EQ(digest, 0xf249b22eu) << std::hex << digest;
}

TEST_F(MathTest, RecipTableIsFourThousandNinetySixOverNPlusOne) {
    const int32_t head[] = {4096, 2048, 1365, 1024, 819};
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(recip_table()[n], head[n]);
    EXPECT_EQ(recip_table()[1023], 4);
    EXPECT_EQ(recip_table()[1024], 3); // beyond the classic 1024 the same formula goes on
    EXPECT_EQ(recip_table()[RECIP_TABLE_SIZE - 1], 0);
    for (int n = 0; n < RECIP_TABLE_SIZE; n += 97)
        EXPECT_EQ(recip_table()[n], 4096 / (n + 1));
}

TEST_F(MathTest, FreedTablesAreNullAndFreeingTwiceIsHarmless) {
    free_math_tables();
    EXPECT_EQ(sin_table(), nullptr);
    EXPECT_EQ(cos_table(), nullptr);
    free_math_tables();
    // Without the stack block both stack operations refuse.
    FixedMatrix out = sample_matrix();
    EXPECT_EQ(matrix_stack_push(identity()), -1);
    EXPECT_EQ(matrix_stack_pop(out, 1), -1);
    expect_equal(out, sample_matrix());
    // Without the tables a rotation degrades to the identity instead of reading null.
    EXPECT_EQ(matrix_rotation(out, Vector4{128, 256, 3, 0}), -1);
    expect_equal(out, identity());
}

TEST_F(MathTest, RotationMatricesRoundAsTheirShiftsStand) {
    FixedMatrix m;
    matrix_rotation(m, Vector4{0, 0, 0, 0});
    expect_equal(m, identity());

    matrix_rotation(m, Vector4{0, 256, 0, 0});
    expect_linear(m, {{{0, 0, -1024}, {0, 1024, 0}, {1024, 0, 0}}});

    matrix_rotation(m, Vector4{0, 0, 128, 0});
    expect_linear(m, {{{724, -724, 0}, {724, 724, 0}, {0, 0, 1024}}});

    // The negated products round down to -512, the positive ones to 511.
    matrix_rotation(m, Vector4{128, 128, 0, 0});
    expect_linear(m, {{{724, -512, -512}, {0, 724, -724}, {724, 511, 511}}});
    EXPECT_EQ(m.m[0][3], 0);
    EXPECT_EQ(m.m[3][0], 0);
    EXPECT_EQ(m.m[3][3], 1024);
}

TEST_F(MathTest, RotationMasksAnglesOutsideOneTurn) {
    FixedMatrix wrapped, plain;
    matrix_rotation(wrapped, Vector4{128 + 1024, 128 - 2048, -1024 + 5, 77});
    matrix_rotation(plain, Vector4{128, 128, 5, 0});
    expect_equal(wrapped, plain);
}

TEST_F(MathTest, ComposeScalesThenRotatesThenTranslates) {
    FixedMatrix m;
    matrix_compose(m, Vector4{0, 0, 75, 9}, Vector4{0, 0, 0, 9}, Vector4{1, 1, 1, 9});
    FixedMatrix expected = identity();
    expected.m[3][2] = 76800;
    expect_equal(m, expected);

    // Scale 2, a quarter turn about z and a move: the x axis becomes (0, -2048),
    // the translation is not scaled or turned.
    matrix_compose(m, Vector4{3, -4, 5, 0}, Vector4{0, 0, 256, 0}, Vector4{2, 2, 2, 0});
    expect_linear(m, {{{0, -2048, 0}, {2048, 0, 0}, {0, 0, 2048}}});
    EXPECT_EQ(m.m[3][0], 3 << 10);
    EXPECT_EQ(m.m[3][1], -4 * 1024);
    EXPECT_EQ(m.m[3][2], 5 << 10);
    EXPECT_EQ(m.m[3][3], 1024);
}

TEST_F(MathTest, MultiplyShiftsEveryTermOnItsOwn) {
    FixedMatrix out;
    const FixedMatrix a = sample_matrix();
    matrix_multiply(out, a, identity());
    expect_equal(out, a);
    matrix_multiply(out, identity(), a);
    expect_equal(out, a);

    // a[0][1] x b[1][0] = -1: the arithmetic shift keeps -1, it is not lost as 0.
    FixedMatrix p{}, q{};
    p.m[0][1] = -1;
    q.m[1][0] = 1;
    matrix_multiply(out, p, q);
    EXPECT_EQ(out.m[0][0], -1);

    // Terms are shifted before the sum: 4 x (1 x 512 >> 10) = 0, not 2048 >> 10 = 2.
    FixedMatrix r{}, s{};
    for (int k = 0; k < 4; ++k) {
        r.m[2][k] = 1;
        s.m[k][3] = 512;
    }
    matrix_multiply(out, r, s);
    EXPECT_EQ(out.m[2][3], 0);

    // Out may be one of the inputs.
    FixedMatrix t = a;
    matrix_multiply(t, t, identity());
    expect_equal(t, a);
}

TEST_F(MathTest, StackRefusesOverflowAndUnderflow) {
    FixedMatrix out = identity();
    EXPECT_EQ(matrix_stack_pop(out, 1), -1);
    EXPECT_EQ(matrix_stack_level(), 0);

    FixedMatrix m = identity();
    for (int32_t i = 0; i < MATRIX_STACK_DEPTH; ++i) {
        m.m[3][0] = i;
        EXPECT_EQ(matrix_stack_push(m), i);
    }
    m.m[3][0] = 999;
    EXPECT_EQ(matrix_stack_push(m), -1);
    EXPECT_EQ(matrix_stack_level(), 32);
    EXPECT_EQ(matrix_stack_pop(out, 1), 31);
    EXPECT_EQ(out.m[3][0], 31); // entry 31 kept the 32nd push, not the refused one

    // A pop of more levels than held, or of fewer than one, changes nothing.
    out = sample_matrix();
    EXPECT_EQ(matrix_stack_pop(out, 32), -1);
    EXPECT_EQ(matrix_stack_pop(out, 0), -1);
    EXPECT_EQ(matrix_stack_pop(out, -3), -1);
    EXPECT_EQ(matrix_stack_level(), 31);
    expect_equal(out, sample_matrix());

    matrix_stack_reset();
    EXPECT_EQ(matrix_stack_level(), 0);
}

TEST_F(MathTest, PopOfKLevelsReturnsTheKthLastPush) {
    FixedMatrix a = identity(), b = sample_matrix(), out;
    a.m[3][1] = 42;
    matrix_stack_push(a);
    matrix_stack_push(b);
    EXPECT_EQ(matrix_stack_pop(out, 2), 0);
    expect_equal(out, a);
    EXPECT_EQ(matrix_stack_level(), 0);

    matrix_stack_push(a);
    matrix_stack_push(b);
    EXPECT_EQ(matrix_stack_pop(out, 1), 1);
    expect_equal(out, b);
    EXPECT_EQ(matrix_stack_level(), 1);
}

TEST_F(MathTest, ProjectionDividesByDepthPlusEyeDistance) {
    const std::vector<Vector4> in = {{10, 20, 0, 0}, {10, 20, 256, 0}};
    std::vector<ScreenVertex> out(2, ScreenVertex{0, 0, 0, 77});
    EXPECT_EQ(project_vertices(out, in, identity()), 0);
    EXPECT_EQ(out[0].x, 138);
    EXPECT_EQ(out[0].y, 148);
    EXPECT_EQ(out[0].depth, 0);
    EXPECT_EQ(out[1].x, 133);
    EXPECT_EQ(out[1].y, 138);
    EXPECT_EQ(out[1].depth, 256);
    EXPECT_EQ(out[0].spare, 77); // the spare word is never written
    EXPECT_EQ(out[1].spare, 77);
}

TEST_F(MathTest, ProjectionOnTheEyePlaneAndNegativeQuotients) {
    set_projection_centre(100, 50);
    // Z = -256 exactly: X and Y stay undivided and uncentred.
    const std::vector<Vector4> eye = {{3, -5, -256, 0}};
    std::vector<ScreenVertex> out(1);
    project_vertices(out, eye, identity());
    EXPECT_EQ(out[0].x, 3 * 256);
    EXPECT_EQ(out[0].y, -5 * 256);
    EXPECT_EQ(out[0].depth, -256);

    // With m[0][0] = m[1][1] = 4 the sums before the shift are 4x and 4y, so X = -7 and
    // Y = 7; depth -254 divides by 2, and -7 / 2 truncates towards zero to -3.
    FixedMatrix m = identity();
    m.m[0][0] = 4;
    m.m[1][1] = 4;
    const std::vector<Vector4> in = {{-7, 7, -254, 0}};
    project_vertices(out, in, m);
    EXPECT_EQ(out[0].depth, -254);
    EXPECT_EQ(out[0].x, -3 + 100);
    EXPECT_EQ(out[0].y, 3 + 50);
}

TEST_F(MathTest, ProjectionCountIsTheShorterSpan) {
    const std::vector<Vector4> in = {{1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}};
    std::vector<ScreenVertex> out(4, ScreenVertex{-1, -1, -1, -1});
    project_vertices(std::span(out).first(2), in, identity());
    EXPECT_EQ(out[1].x, 130);
    EXPECT_EQ(out[2].x, -1); // beyond the output span: untouched
    project_vertices(out, std::span(in).first(0), identity());
    EXPECT_EQ(out[3].x, -1);
}

TEST_F(MathTest, HugeInputsWrapInsteadOfTrapping) {
    // Out-of-range data keeps the low 32 bits (no UBSan trap, no division by zero).
    FixedMatrix m;
    matrix_compose(m, Vector4{INT32_MAX, INT32_MIN, 1 << 22, 0}, Vector4{0, 0, 0, 0},
                   Vector4{1, 1, 1, 0});
    EXPECT_EQ(m.m[3][0], -1024); // 0x7fffffff << 10 keeps 0xfffffc00
    EXPECT_EQ(m.m[3][1], 0);
    EXPECT_EQ(m.m[3][2], 0);
    matrix_compose(m, Vector4{1, 2, 3, 0}, Vector4{1000, 77, 3, 0},
                   Vector4{INT32_MAX, -65536, 1 << 22, 0});
    FixedMatrix out;
    matrix_multiply(out, m, m);
    // The eye-plane row: the sum of the z products is -256 << 10, so no division.
    FixedMatrix flat{};
    flat.m[3][0] = INT32_MAX;
    flat.m[3][2] = -256 * 1024;
    const std::vector<Vector4> in = {{INT32_MAX, INT32_MIN, INT32_MAX, 0}};
    std::vector<ScreenVertex> sv(1);
    project_vertices(sv, in, flat);
    EXPECT_EQ(sv[0].depth, -256);
    EXPECT_EQ(sv[0].x, INT32_MAX >> 2);
    project_vertices(sv, in, out);
}

// matrix_compose skips the terms of S x (R x T) that multiply a zero entry.
// Against the two full products, for seeded translations, angles and scales
// up to values whose products wrap, every entry must be the same.
TEST_F(MathTest, ComposeIsTheFullProductOfScaleRotationAndTranslation) {
    uint32_t seed = 2024;
    const auto draw = [&seed](int32_t range) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int32_t>(seed >> 8) % range;
    };
    for (int32_t trial = 0; trial < 2000; ++trial) {
        // Small values mostly, as models have; now and then ones that wrap.
        const int32_t range = trial % 5 == 0 ? (1 << 22) : 600;
        const Vector4 translation{draw(range), draw(range), draw(range), 0};
        const Vector4 angles{draw(1024), draw(1024), draw(1024), 0};
        const Vector4 scale{draw(range / 100 + 4), draw(range / 100 + 4), draw(range / 100 + 4), 0};
        FixedMatrix t = identity();
        t.m[3][0] = wrap_shl(translation.x, 10);
        t.m[3][1] = wrap_shl(translation.y, 10);
        t.m[3][2] = wrap_shl(translation.z, 10);
        FixedMatrix s = identity();
        s.m[0][0] = wrap_shl(scale.x, 10);
        s.m[1][1] = wrap_shl(scale.y, 10);
        s.m[2][2] = wrap_shl(scale.z, 10);
        FixedMatrix r, rt, expected, composed;
        matrix_rotation(r, angles);
        matrix_multiply(rt, r, t);
        matrix_multiply(expected, s, rt);
        matrix_compose(composed, translation, angles, scale);
        for (int32_t row = 0; row < 4; ++row)
            for (int32_t col = 0; col < 4; ++col)
                ASSERT_EQ(composed.m[row][col], expected.m[row][col])
                    << "trial " << trial << " entry " << row << "," << col;
    }
}
