// Textured rasteriser: which texel each pixel takes, clipping with u and v
// carried along, and that missing textures and wild input write nothing outside.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fresh_state.h"
#include "geometry/trig.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "render/textured.h"

using namespace walkers;

namespace {

// Texel i holds i ^ 0x8000: a different value for every index of a 256 x 256
// texture, and never the 0 the surface starts with except at index 0x8000.
uint16_t texel_value(int32_t index) {
    return static_cast<uint16_t>(index ^ 0x8000);
}
int32_t texel_index(uint16_t pixel) {
    return pixel ^ 0x8000;
}

class TexturedTest : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        build_recip_table();
        make_surface(64, 64);
    }

    static int32_t make_texture(const char* name, int32_t ws, int32_t hs) {
        std::vector<uint16_t> texels(std::size_t{1} << (ws + hs));
        for (std::size_t i = 0; i < texels.size(); ++i)
            texels[i] = texel_value(static_cast<int32_t>(i));
        return install_texture(name, ws, hs, texels);
    }

    // A rectangle quad from column x0 to x1 (right end excluded) and rows y0..y1,
    // with u running from uL at its left side to uR at its right side and v fixed:
    // the walk gives every row the same span with exactly those edge values.
    void draw_box(int32_t x0, int32_t x1, int32_t y0, int32_t y1, int32_t ul, int32_t ur, int32_t v,
                  int32_t texture) {
        const ScreenVertex a{x0, y0, 0, 0}, b{x1, y0, 0, 0}, c{x1, y1, 0, 0}, d{x0, y1, 0, 0};
        const Vector4 ta{ul, v, 0, 0}, tb{ur, v, 0, 0}, tc{ur, v, 0, 0}, td{ul, v, 0, 0};
        draw_textured_quad(a, b, c, d, ta, tb, tc, td, texture);
    }
};

TEST_F(TexturedTest, FourPixelSpanStepsByAFifthOfTheDifference) {
    const int32_t tex = make_texture("t256.bmp", 8, 8);
    // uL = 0, uR = 256 * 256 (one repeat): r = 819, du = 13104.
    draw_box(10, 14, 10, 20, 0, 256, 0, tex);
    const int32_t columns[] = {0, 51, 102, 153};
    for (int32_t y = 10; y <= 20; ++y)
        for (int32_t i = 0; i < 4; ++i)
            EXPECT_EQ(texel_index(pixel(10 + i, y)), columns[i]) << "row " << y << " pixel " << i;
    EXPECT_EQ(pixel(14, 15), 0);
    EXPECT_EQ(pixel(9, 15), 0);
}

TEST_F(TexturedTest, SquareTextureAddressesRowAndColumn) {
    const int32_t tex = make_texture("t64.bmp", 6, 6);
    // uL = vL = 128 * 256: half way across and down a 64 x 64 texture.
    draw_box(5, 9, 5, 8, 128, 128, 128, tex);
    EXPECT_EQ(texel_index(pixel(5, 5)), 2080); // row 32, column 32
    EXPECT_EQ(texel_index(pixel(8, 8)), 2080);
}

TEST_F(TexturedTest, CoordinatesOutsideOneRepeatWrap) {
    const int32_t tex = make_texture("wide.bmp", 8, 1); // 256 x 2
    draw_box(0, 3, 0, 2, 300, 300, 0, tex);
    draw_box(0, 3, 10, 12, -1, -1, 0, tex);
    EXPECT_EQ(texel_index(pixel(0, 0)), 44);
    EXPECT_EQ(texel_index(pixel(2, 2)), 44);
    EXPECT_EQ(texel_index(pixel(0, 10)), 255);
    // v of 1.5 repeats on a 2-row texture lands on row 1.
    draw_box(0, 3, 20, 22, 7, 7, 384, tex);
    EXPECT_EQ(texel_index(pixel(1, 21)), 256 + 7);
}

TEST_F(TexturedTest, OnePixelSpanTakesTheLeftEdgeTexel) {
    const int32_t tex = make_texture("wide.bmp", 8, 1);
    draw_box(10, 11, 0, 5, 64, 200, 0, tex);
    for (int32_t y = 0; y <= 5; ++y)
        EXPECT_EQ(texel_index(pixel(10, y)), 64) << y;
    EXPECT_EQ(pixel(11, 3), 0);
}

TEST_F(TexturedTest, LeftClipCarriesUAlongTheWidenedSlope) {
    const int32_t tex = make_texture("wide.bmp", 8, 1);
    // The x pass divides by the x difference plus one: the long edge meets x = 0
    // at (0, 9) with u = 9, the top edge at (0, 0) with u = 9 as well.
    const ScreenVertex a{-10, 0, 0, 0}, b{10, 0, 0, 0}, c{10, 20, 0, 0};
    const Vector4 ta{0, 0, 0, 0}, tb{20, 0, 0, 0}, tc{20, 0, 0, 0};
    draw_textured_triangle(a, b, c, ta, tb, tc, tex);
    // Rows 0..9: span 0..9 from u = 9 * 256 to 20 * 256, du = 255.
    const int32_t columns[] = {9, 9, 10, 11, 12, 13, 14, 15, 16, 17};
    for (int32_t y = 0; y <= 9; ++y) {
        for (int32_t x = 0; x < 10; ++x)
            EXPECT_EQ(texel_index(pixel(x, y)), columns[x]) << "row " << y << " column " << x;
        EXPECT_EQ(pixel(10, y), 0);
    }
}

TEST_F(TexturedTest, RowsBelowTheSurfaceAreSkipped) {
    const int32_t tex = make_texture("t64.bmp", 6, 6);
    // A flat bottom on the last row: its left-over row and row clip_height lie
    // past the buffer (ASan watches); the last row itself is filled.
    draw_box(20, 30, 40, 63, 0, 64, 0, tex);
    EXPECT_NE(pixel(20, 63), 0);
    EXPECT_NE(pixel(29, 63), 0);
    EXPECT_EQ(pixel(30, 63), 0);
    // Clip limits larger than the surface are cut to it.
    set_clip_limits(5000, 5000);
    // (An edge from above the top to below the bottom would count as outside in
    // the y pass, so the surface is covered by two boxes.)
    draw_box(0, 64, -20, 40, 0, 64, 0, tex);
    draw_box(0, 64, 40, 900, 0, 64, 0, tex);
    EXPECT_EQ(written(), 64 * 64);
}

TEST_F(TexturedTest, NothingIsDrawnWithoutATexture) {
    make_texture("t64.bmp", 6, 6);
    draw_box(0, 20, 0, 20, 0, 64, 0, 5);   // free slot
    draw_box(0, 20, 0, 20, 0, 64, 0, -1);  // the flat marker
    draw_box(0, 20, 0, 20, 0, 64, 0, 128); // past the table
    draw_box(0, 20, 0, 20, 0, 64, 0, INT32_MIN);
    EXPECT_EQ(written(), 0);
}

TEST_F(TexturedTest, OneRowPolygonsDrawNothing) {
    const int32_t tex = make_texture("t64.bmp", 6, 6);
    const ScreenVertex a{0, 9, 0, 0}, b{40, 9, 0, 0}, c{-90, 9, 0, 0}, d{70, 9, 0, 0};
    const Vector4 t{0, 0, 0, 0};
    draw_textured_triangle(a, b, c, t, t, t, tex);
    draw_textured_quad(a, b, c, d, t, t, t, t, tex);
    EXPECT_EQ(written(), 0);
}

TEST_F(TexturedTest, CutSpansKeepTheTexelsOfTheUncutWalk) {
    // Texture u follows screen x (u = x at every vertex, one repeat per 256
    // pixels), so each pixel's texel column stays within a few of its own column.
    // Darts and bow-ties carry edges past column 0 and the surface's right side;
    // a cut span start that did not advance u would show texels from far away.
    const int32_t tex = make_texture("wide.bmp", 8, 1);
    const int32_t shapes[][8] = {{5, 0, 60, 63, 0, 30, 63, 10},
                                 {0, 0, 63, 60, 63, 0, 0, 63},
                                 {40, 0, 2, 50, 40, 20, 63, 50},
                                 {0, 10, 63, 0, 30, 63, 1, 0},
                                 {63, 5, 0, 6, 63, 60, 30, 30}};
    for (const auto& s : shapes) {
        const ScreenVertex a{s[0], s[1], 0, 0}, b{s[2], s[3], 0, 0}, c{s[4], s[5], 0, 0},
            d{s[6], s[7], 0, 0};
        const Vector4 ta{s[0], 0, 0, 0}, tb{s[2], 0, 0, 0}, tc{s[4], 0, 0, 0}, td{s[6], 0, 0, 0};
        draw_textured_quad(a, b, c, d, ta, tb, tc, td, tex);
    }
    ASSERT_GT(written(), 0);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            if (pixel(x, y) == 0) continue;
            const int32_t column = texel_index(pixel(x, y)) & 255;
            const int32_t distance = std::abs(((column - x + 128) & 255) - 128);
            EXPECT_LE(distance, 3) << "column " << x << " row " << y << " texel " << column;
        }
}

TEST_F(TexturedTest, WildInputNeverLeavesTheSurface) {
    const int32_t tex = make_texture("t256.bmp", 8, 8);
    const int32_t big[] = {INT32_MIN, -70000, -1, 0, 40, 64, 65, 70000, INT32_MAX};
    for (int32_t a : big)
        for (int32_t b : big) {
            const ScreenVertex p{a, b, 0, 0}, q{b, 20, 0, 0}, r{30, a, 0, 0}, s{63, 63, 0, 0};
            const Vector4 ta{a, b, 0, 0}, tb{b, a, 0, 0}, tc{INT32_MAX, INT32_MIN, 0, 0},
                td{0, 0, 0, 0};
            draw_textured_triangle(p, q, r, ta, tb, tc, tex);
            draw_textured_quad(p, q, r, s, ta, tb, tc, td, tex);
        }
    EXPECT_GT(written(), 0);
}

class TextureTable : public walkers::testing::FreshState {};

TEST_F(TextureTable, ClaimFindAndRelease) {
    EXPECT_EQ(claim_texture_slot("a.bmp", 6, 5), 0);
    EXPECT_EQ(claim_texture_slot("b.bmp", 1, 8), 1);
    const TextureSlot* a = texture_slot(0);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->index, 0);
    EXPECT_STREQ(a->name, "a.bmp");
    EXPECT_EQ(a->ref_count, 1);
    EXPECT_EQ(texture_width_shift(0), 6);
    EXPECT_EQ(texture_height_shift(0), 5);
    ASSERT_EQ(a->pixels.size(), 64u * 32u);
    for (uint16_t t : a->pixels)
        ASSERT_EQ(t, 0);
    EXPECT_EQ(find_texture("b.bmp"), 1);
    EXPECT_EQ(find_texture("B.bmp"), -1); // case-sensitive
    release_texture_slot(0);
    EXPECT_EQ(texture_slot(0), nullptr);
    EXPECT_EQ(find_texture("a.bmp"), -1);
    EXPECT_EQ(claim_texture_slot("c.bmp", 2, 2), 0); // lowest free slot again
    clear_texture_table();
    EXPECT_EQ(texture_slot(1), nullptr);
}

TEST_F(TextureTable, RefusesWhatDoesNotFit) {
    EXPECT_EQ(claim_texture_slot(std::string(28, 'x'), 4, 4), -1);
    EXPECT_EQ(claim_texture_slot(std::string(27, 'x'), 4, 4), 0);
    EXPECT_EQ(find_texture(std::string(27, 'x')), 0);
    EXPECT_EQ(claim_texture_slot(std::string("a\0b", 3), 4, 4), -1);
    EXPECT_EQ(claim_texture_slot("s0", 0, 4), -1);
    EXPECT_EQ(claim_texture_slot("s9", 9, 4), -1);
    EXPECT_EQ(claim_texture_slot("h9", 4, 9), -1);
    for (int32_t i = 1; i < TEXTURE_SLOTS; ++i)
        ASSERT_EQ(claim_texture_slot("t" + std::to_string(i), 1, 1), i);
    EXPECT_EQ(claim_texture_slot("one.too.many", 1, 1), -1);
    // Out-of-range slots read as empty.
    EXPECT_EQ(texture_slot(-1), nullptr);
    EXPECT_EQ(texture_slot(TEXTURE_SLOTS), nullptr);
    EXPECT_EQ(texture_pixels(TEXTURE_SLOTS), nullptr);
    EXPECT_EQ(texture_width_shift(-5), 0);
}

TEST_F(TextureTable, InstallCopiesTexelsAndCountsRepeats) {
    const std::vector<uint16_t> texels = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(install_texture("short.bmp", 2, 1, std::span(texels).first(7)), -1);
    EXPECT_EQ(texture_slot(0), nullptr);
    ASSERT_EQ(install_texture("ok.bmp", 2, 1, texels), 0);
    EXPECT_EQ(texture_pixels(0)[7], 8);
    const std::vector<uint16_t> other(8, 99);
    EXPECT_EQ(install_texture("ok.bmp", 2, 1, other), 0); // same name: same slot
    EXPECT_EQ(texture_slot(0)->ref_count, 2);
    EXPECT_EQ(texture_pixels(0)[7], 8);
}

} // namespace
