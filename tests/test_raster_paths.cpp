// Rasteriser routes that must agree pixel for pixel: the clip passes against
// the shortcut that skips them for polygons wholly inside (or wholly beside)
// the clip rectangle, and the narrow span fills against the wide ones.
//
// Polygons come from a seeded generator, so every run draws the same ones.
// Their vertices are drawn from a mix that lands exactly on the clip limits
// often, with the limits at the surface's size and inside it, on an odd-sized
// surface; each is drawn both ways on a cleared surface and the two pictures,
// and the slack words after the last pixel, must be identical.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "fresh_state.h"
#include "geometry/trig.h"
#include "render/flat.h"
#include "render/span_fill.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "render/textured.h"

using namespace walkers;

namespace {

constexpr int32_t WIDTH = 61;
constexpr int32_t HEIGHT = 47;
constexpr int32_t POLYGONS = 4000;

// A small linear congruential generator of our own: the sequence is part of
// the test and must not depend on the standard library's engines.
class Dice {
public:
    explicit Dice(uint32_t seed) : state_(seed) {}
    int32_t below(int32_t n) {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<int32_t>((state_ >> 8) % static_cast<uint32_t>(n));
    }
    int32_t between(int32_t low, int32_t high) { return low + below(high - low + 1); }

private:
    uint32_t state_;
};

// A coordinate against a limit: exactly on 0 or the limit a quarter of the
// time, inside most of the rest, sometimes a little or far outside.
int32_t coordinate(Dice& dice, int32_t limit) {
    switch (dice.below(8)) {
    case 0:
        return 0;
    case 1:
        return limit;
    case 2:
        return dice.between(-12, -1);
    case 3:
        return dice.between(limit + 1, limit + 12);
    case 4:
        return dice.between(-400, 400);
    default:
        return dice.between(0, limit);
    }
}

struct Polygon {
    std::vector<ScreenVertex> vertices;
    std::vector<Vector4> uvs;
};

Polygon random_polygon(Dice& dice, int32_t limit_x, int32_t limit_y) {
    Polygon p;
    const int32_t n = dice.between(3, 4);
    // Small ones mostly inside, so that the shortcut is taken often.
    const bool small = dice.below(2) == 0;
    const int32_t x0 = dice.between(0, limit_x);
    const int32_t y0 = dice.between(0, limit_y);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t x =
            small ? std::clamp(x0 + dice.between(-9, 9), 0, limit_x) : coordinate(dice, limit_x);
        const int32_t y =
            small ? std::clamp(y0 + dice.between(-9, 9), 0, limit_y) : coordinate(dice, limit_y);
        p.vertices.push_back({x, y, 0, 0});
        p.uvs.push_back({dice.between(-300, 600), dice.between(-300, 600), 0, 0});
    }
    return p;
}

class RasterPaths : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        build_recip_table();
        make_surface(WIDTH, HEIGHT);
        std::vector<uint16_t> texels(64 * 32);
        for (std::size_t i = 0; i < texels.size(); ++i)
            texels[i] = static_cast<uint16_t>(i * 2654435761u >> 17);
        texture_ = install_texture("paths.bmp", 6, 5, texels);
        ASSERT_GE(texture_, 0);
    }

    // The surface's words, the slack after the last pixel included.
    static std::vector<uint16_t> memory() {
        const RasterTarget target = raster_target();
        return {target.pixels, target.pixels + target.words};
    }

    // Every word, slack included, is set first: the clear would only reach the
    // clip area, and a pixel left from the other route could hide a difference.
    template <typename Draw> std::vector<uint16_t> picture(Draw draw) {
        const RasterTarget target = raster_target();
        std::fill(target.pixels, target.pixels + target.words, uint16_t{0x0210});
        draw();
        return memory();
    }

    // Draws POLYGONS polygons both ways with `draw(polygon, route)`; returns how
    // many drew anything, so that a test can tell it compared real pictures.
    template <typename Draw> int32_t compare_routes(uint32_t seed, Draw draw) {
        Dice dice(seed);
        int32_t drawn = 0;
        for (int32_t i = 0; i < POLYGONS; ++i) {
            const Polygon p = random_polygon(dice, clip_width(), clip_height());
            const auto shortcut = picture([&] { draw(p, ClipRoute::Automatic); });
            const auto clipped = picture([&] { draw(p, ClipRoute::AlwaysClip); });
            EXPECT_EQ(shortcut, clipped) << "polygon " << i << " of seed " << seed;
            if (shortcut != clipped) break;
            drawn += picture([] {}) != shortcut ? 1 : 0;
        }
        return drawn;
    }

    int32_t texture_ = -1;
};

std::vector<const ScreenVertex*> pointers(const std::vector<ScreenVertex>& v) {
    std::vector<const ScreenVertex*> out;
    for (const ScreenVertex& x : v)
        out.push_back(&x);
    return out;
}
std::vector<const Vector4*> pointers(const std::vector<Vector4>& v) {
    std::vector<const Vector4*> out;
    for (const Vector4& x : v)
        out.push_back(&x);
    return out;
}

TEST_F(RasterPaths, ShortcutsDrawWhatTheClipPassesDraw) {
    // Limits at the surface's size, then inside it (spans then end before the
    // surface's right edge and rows before its bottom).
    for (const auto& [limit_x, limit_y] : {std::pair{WIDTH, HEIGHT}, std::pair{37, 29}}) {
        set_clip_limits(limit_x, limit_y);
        const int32_t flat = compare_routes(1u + limit_x, [](const Polygon& p, ClipRoute route) {
            rasterise_flat(pointers(p.vertices), 0x7c1f, route);
        });
        const int32_t textured =
            compare_routes(7u + limit_x, [this](const Polygon& p, ClipRoute route) {
                rasterise_textured(pointers(p.vertices), pointers(p.uvs), texture_, route);
            });
        // Most of them drew something: the comparisons were of real pictures.
        EXPECT_GT(flat, POLYGONS / 2) << limit_x;
        EXPECT_GT(textured, POLYGONS / 2) << limit_x;
    }
}

// Spans of every length up to a few groups, at every offset in a row, on
// textures of every width and height the table admits.
TEST_F(RasterPaths, WideSpanFillsMatchNarrowOnes) {
    Dice dice(99);
    std::vector<uint16_t> texels(256 * 256);
    for (std::size_t i = 0; i < texels.size(); ++i)
        texels[i] = static_cast<uint16_t>(i ^ 0x5a5a);
    for (int32_t trial = 0; trial < 20000; ++trial) {
        const int32_t ws = dice.between(TEXTURE_MIN_SHIFT, TEXTURE_MAX_SHIFT);
        const int32_t hs = dice.between(TEXTURE_MIN_SHIFT, TEXTURE_MAX_SHIFT);
        const TexelSource source{texels.data(), (1 << ws) - 1, ((1 << hs) - 1) * 256, 8 - ws};
        const TexelStep step{dice.between(-100000, 100000), dice.between(-100000, 100000),
                             dice.between(-3000, 3000), dice.between(-3000, 3000)};
        const auto start = static_cast<std::size_t>(dice.between(0, 20));
        const auto count = static_cast<std::size_t>(dice.between(1, 41));
        // Room for the wide fill's last group, filled with words it must keep.
        std::vector<uint16_t> narrow(start + count + SPAN_SLACK + 8);
        for (std::size_t i = 0; i < narrow.size(); ++i)
            narrow[i] = static_cast<uint16_t>(0x8000 | (i * 7));
        std::vector<uint16_t> wide = narrow;
        std::vector<uint16_t> colour_narrow = narrow;
        std::vector<uint16_t> colour_wide = narrow;
        ASSERT_TRUE(wide_fill_fits(wide, start, count));
        fill_texel_run(narrow.data() + start, count, texel_run(source),
                       static_cast<uint32_t>(step.u), static_cast<uint32_t>(step.v),
                       static_cast<uint32_t>(step.du), static_cast<uint32_t>(step.dv));
        fill_texels_wide(wide, start, count, source, step);
        ASSERT_EQ(narrow, wide) << "trial " << trial << ": ws " << ws << " hs " << hs << " start "
                                << start << " count " << count;
        const auto colour = static_cast<uint16_t>(dice.below(0x8000));
        fill_colour_narrow(colour_narrow, start, count, colour);
        fill_colour_wide(colour_wide, start, count, colour);
        ASSERT_EQ(colour_narrow, colour_wide) << "trial " << trial;
    }
}

TEST_F(RasterPaths, WideFillsOnlyRunWhereTheirLastGroupFits) {
    std::vector<uint16_t> words(40);
    EXPECT_TRUE(wide_fill_fits(words, 32, 8));
    EXPECT_TRUE(wide_fill_fits(words, 32, 1)); // one group: words 32..39
    EXPECT_FALSE(wide_fill_fits(words, 33, 1));
    EXPECT_TRUE(wide_fill_fits(words, 24, 9)); // two groups: 24..39
    EXPECT_FALSE(wide_fill_fits(words, 25, 9));
    EXPECT_FALSE(wide_fill_fits(words, 41, 1));
    // Near the end the rasterisers fall back to the narrow fill: the last
    // pixel of the surface is drawn, and nothing after it.
    const std::vector<uint16_t> texels(4, 0x1111); // 2 x 2
    const TexelSource two_by_two{texels.data(), 1, 256, 7};
    fill_texels(words, 39, 1, two_by_two, texel_run(two_by_two), 0, 0, 0, 0);
    fill_colour(words, 35, 3, 0x2222);
    EXPECT_EQ(words[39], 0x1111);
    EXPECT_EQ(words[34], 0);
    EXPECT_EQ(words[35], 0x2222);
    EXPECT_EQ(words[37], 0x2222);
    EXPECT_EQ(words[38], 0);
}

} // namespace
