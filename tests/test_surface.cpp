// Frame surface: clear colour packing, the clear's pixel count, clip limits,
// the 24-then-16-bit build and refused sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
#include <vector>

#include "fresh_state.h"
#include "geometry/fixed.h"
#include "render/surface.h"

using namespace walkers;

namespace {

constexpr uint16_t kOld = 0x1234;

class Surface : public walkers::testing::FreshState {
protected:
    // An 8 x 4 surface at 16 bits, every pixel set to kOld.
    void build_small() {
        ASSERT_EQ(create_frame_surface(&window), 0);
        ASSERT_EQ(set_surface_depth(16), 0);
        std::fill_n(surface_pixels(), 32, kOld);
    }
    std::span<const uint16_t> pixels() const { return {surface_pixels(), 32}; }
    int64_t changed() const {
        return std::count_if(pixels().begin(), pixels().end(),
                             [](uint16_t p) { return p != kOld; });
    }

    HeadlessHost window{8, 4};
};

TEST_F(Surface, ClearColourKeepsFiveBitsPerComponent) {
    EXPECT_EQ(clear_colour(), 0);
    set_clear_colour(0, 16, 16);
    EXPECT_EQ(clear_colour(), 0x0210);
    set_clear_colour(31, 31, 31);
    EXPECT_EQ(clear_colour(), 0x7FFF);
    set_clear_colour(32, 0, 0);
    EXPECT_EQ(clear_colour(), 0);
    set_clear_colour(33, 34, 35);
    EXPECT_EQ(clear_colour(), (1 << 10) | (2 << 5) | 3);
}

TEST_F(Surface, ClipLimitsStayAt256UntilClipToSurface) {
    EXPECT_EQ(clip_width(), 256);
    EXPECT_EQ(clip_height(), 256);
    ASSERT_EQ(create_frame_surface(&window), 0);
    EXPECT_EQ(clip_width(), 256);
    EXPECT_EQ(clip_height(), 256);
    clip_to_surface();
    EXPECT_EQ(clip_width(), 8);
    EXPECT_EQ(clip_height(), 4);
}

TEST_F(Surface, ClearWritesTwoPixelsPerWordOverTheClipArea) {
    build_small();
    set_clear_colour(0, 16, 16);
    struct Case {
        int32_t width, height;
        int64_t written;
    } cases[] = {{0, 4, 0}, {8, 0, 0}, {1, 1, 0}, {3, 3, 8}, {5, 1, 4}, {2, 3, 6}};
    for (const Case& c : cases) {
        std::fill_n(surface_pixels(), 32, kOld);
        set_clip_limits(c.width, c.height);
        clear_frame_surface();
        EXPECT_EQ(changed(), c.written) << c.width << " x " << c.height;
        // Written pixels are the first ones in memory order, all the colour.
        for (int64_t i = 0; i < c.written; ++i)
            ASSERT_EQ(pixels()[i], 0x0210);
    }
    // An odd product leaves the last pixel of its count alone.
    set_clip_limits(3, 3);
    std::fill_n(surface_pixels(), 32, kOld);
    clear_frame_surface();
    EXPECT_EQ(pixels()[7], 0x0210);
    EXPECT_EQ(pixels()[8], kOld);
}

TEST_F(Surface, ClearCoversTheWholeSurfaceAndNeverMore) {
    build_small();
    set_clear_colour(31, 0, 0);
    clip_to_surface();
    clear_frame_surface();
    EXPECT_EQ(changed(), 32);
    // The start limits of 256 x 256 are larger than this surface: the clear stops
    // at its last pixel (the sanitizer would report any write past it).
    set_clip_limits(256, 256);
    set_clear_colour(0, 31, 0);
    clear_frame_surface();
    EXPECT_TRUE(
        std::all_of(pixels().begin(), pixels().end(), [](uint16_t p) { return p == 0x03E0; }));
}

TEST_F(Surface, BuiltAt24BitsThenRebuiltZeroedAt16) {
    ASSERT_EQ(create_frame_surface(&window), 0);
    EXPECT_EQ(frame_surface().bits_per_pixel, 24);
    EXPECT_EQ(surface_width(), 8);
    EXPECT_EQ(surface_height(), 4);
    // Nothing is drawn at 24 bits.
    EXPECT_EQ(surface_pixels(), nullptr);
    clear_frame_surface();

    ASSERT_EQ(set_surface_depth(16), 0);
    EXPECT_EQ(frame_surface().bits_per_pixel, 16);
    ASSERT_NE(surface_pixels(), nullptr);
    EXPECT_TRUE(std::all_of(pixels().begin(), pixels().end(), [](uint16_t p) { return p == 0; }));

    // A rebuild starts from a zeroed picture again.
    std::fill_n(surface_pixels(), 32, kOld);
    ASSERT_EQ(set_surface_depth(16), 0);
    EXPECT_EQ(changed(), 32);
}

TEST_F(Surface, EmptyOrOversizedClientIsRefused) {
    const ClientSize refused[] = {
        {0, 4}, {8, 0}, {-2, 4}, {MAX_SURFACE_WIDTH + 1, 4}, {8, MAX_SURFACE_HEIGHT + 1}};
    for (const ClientSize& size : refused) {
        HeadlessHost bad(size.width, size.height);
        EXPECT_EQ(create_frame_surface(&bad), -1) << size.width << " x " << size.height;
        EXPECT_EQ(set_surface_depth(16), -1);
        EXPECT_EQ(surface_pixels(), nullptr);
        // Frames on a missing surface do nothing.
        clear_frame_surface();
        acquire_window_dc(&bad);
        present_frame();
        EXPECT_EQ(bad.presented(), 0);
    }
}

TEST_F(Surface, OnlyAFrameBetweenAcquireAndPresentIsShown) {
    build_small();
    present_frame();
    EXPECT_EQ(window.presented(), 0);
    acquire_window_dc(&window);
    present_frame();
    present_frame();
    EXPECT_EQ(window.presented(), 1);
    free_frame_surface();
    EXPECT_EQ(surface_pixels(), nullptr);
    acquire_window_dc(&window);
    present_frame();
    EXPECT_EQ(window.presented(), 1);
}

// The clear's fill: a memset where both bytes of the colour agree, a doubling
// copy where they do not; every length, odd ones included, gets every word and
// no word after it.
TEST(FillWords, EveryWordTakesTheValueAndNothingAfterIt) {
    for (uint16_t value : {uint16_t{0x0000}, uint16_t{0x4242}, uint16_t{0x0210}, uint16_t{0x7fff}})
        for (std::size_t count : {0, 1, 2, 31, 32, 33, 63, 64, 65, 1000, 4097}) {
            std::vector<uint16_t> words(count + 3, 0xdead);
            fill_words(std::span(words).first(count), value);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_EQ(words[i], value) << "word " << i << " of " << count;
            EXPECT_EQ(words[count], 0xdead) << count;
            EXPECT_EQ(words[count + 2], 0xdead) << count;
        }
}

} // namespace
