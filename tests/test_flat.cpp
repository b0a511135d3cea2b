// Flat rasteriser: exact pixels of small polygons, clipping at every border, and
// that no input, however wild, writes outside the surface.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <vector>

#include "fresh_state.h"
#include "render/flat.h"
#include "render/span_fill.h"
#include "render/surface.h"

using namespace walkers;

namespace {

constexpr int32_t COLOUR = 0x1234;

struct Row {
    int32_t y;
    int32_t first; // first and last column written, both included
    int32_t last;
};

class FlatTest : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        make_surface(64, 64);
    }

    // The whole surface must hold COLOUR exactly on the listed spans and 0 elsewhere.
    void expect_spans(const std::vector<Row>& rows) const {
        std::vector<uint16_t> expected(static_cast<std::size_t>(surface_width()) *
                                           static_cast<std::size_t>(surface_height()),
                                       0);
        for (const Row& r : rows)
            for (int32_t x = r.first; x <= r.last; ++x)
                expected[static_cast<std::size_t>(r.y * surface_width() + x)] = COLOUR;
        for (int32_t y = 0; y < surface_height(); ++y)
            for (int32_t x = 0; x < surface_width(); ++x)
                ASSERT_EQ(pixel(x, y), expected[static_cast<std::size_t>(y * surface_width() + x)])
                    << "at column " << x << ", row " << y;
    }
};

ScreenVertex sv(int32_t x, int32_t y) {
    return {x, y, 0, 0};
}

TEST_F(FlatTest, FlatBottomTriangleFillsItsRowsAndOneMoreBelow) {
    draw_flat_triangle(sv(20, 0), sv(30, 10), sv(10, 10), COLOUR);
    // Row 0 is an empty span; both edges end on row 10 before the last step, so
    // the left-over step fills row 11 with the x values reached there.
    expect_spans({{1, 19, 19},
                  {2, 18, 20},
                  {3, 17, 21},
                  {4, 16, 22},
                  {5, 15, 23},
                  {6, 14, 24},
                  {7, 13, 25},
                  {8, 12, 26},
                  {9, 11, 27},
                  {10, 10, 28},
                  {11, 10, 28}});
}

TEST_F(FlatTest, FlatTopTriangleJumpsAlongItsTopEdgeFirst) {
    draw_flat_triangle(sv(10, 0), sv(30, 0), sv(20, 10), COLOUR);
    expect_spans({{0, 10, 29},
                  {1, 10, 28},
                  {2, 11, 27},
                  {3, 12, 26},
                  {4, 13, 25},
                  {5, 14, 24},
                  {6, 15, 23},
                  {7, 16, 22},
                  {8, 17, 21},
                  {9, 18, 20},
                  {10, 19, 19}});
}

TEST_F(FlatTest, SquareQuadFillsItsBottomRowTwice) {
    draw_flat_quad(sv(10, 10), sv(20, 10), sv(20, 20), sv(10, 20), COLOUR);
    std::vector<Row> rows;
    for (int32_t y = 10; y <= 21; ++y)
        rows.push_back({y, 10, 19});
    expect_spans(rows);
}

TEST_F(FlatTest, PolygonsThatDrawNothing) {
    // All vertices on one row, whatever the x extent.
    draw_flat_triangle(sv(-500, 5), sv(10, 5), sv(900, 5), COLOUR);
    draw_flat_quad(sv(0, 7), sv(63, 7), sv(30, 7), sv(5, 7), COLOUR);
    // Every edge has both ends outside in x, although the triangle covers part of
    // the surface: the x pass keeps nothing.
    draw_flat_triangle(sv(-10, 0), sv(clip_width() + 10, 0), sv(clip_width() + 10, 100), COLOUR);
    // Entirely above, below, left or right.
    draw_flat_triangle(sv(5, -30), sv(20, -10), sv(1, -1), COLOUR);
    draw_flat_triangle(sv(5, 70), sv(20, 90), sv(1, 80), COLOUR);
    draw_flat_triangle(sv(-50, 5), sv(-20, 10), sv(-1, 30), COLOUR);
    draw_flat_triangle(sv(65, 5), sv(90, 10), sv(70, 30), COLOUR);
    EXPECT_EQ(written(), 0);
}

TEST_F(FlatTest, ClipListStartsWithVertexOneOfEachPass) {
    const ScreenVertex a = sv(0, 0), b = sv(clip_width(), 0), c = sv(clip_width(), clip_height());
    const ScreenVertex* in[] = {&a, &b, &c};
    std::array<ClipPoint, FLAT_CLIP_FINAL_CAPACITY> out{};
    // Vertices on x = clip_width and y = clip_height are inside and not moved; the
    // x pass yields b, c, a and the y pass c, a, b.
    ASSERT_EQ(clip_polygon(in, out), 3);
    EXPECT_EQ(out[0].x, 64);
    EXPECT_EQ(out[0].y, 64);
    EXPECT_EQ(out[1].x, 0);
    EXPECT_EQ(out[1].y, 0);
    EXPECT_EQ(out[2].x, 64);
    EXPECT_EQ(out[2].y, 0);
}

TEST_F(FlatTest, ColumnClipWidthIsNeverWritten) {
    make_surface(64, 64);
    set_clip_limits(40, 30);
    draw_flat_triangle(sv(0, 0), sv(40, 0), sv(40, 30), COLOUR);
    for (int32_t y = 0; y < 64; ++y)
        for (int32_t x = 40; x < 64; ++x)
            ASSERT_EQ(pixel(x, y), 0) << x << "," << y;
    // The right edge stays on x = 40: every filled row ends at column 39.
    // Row 0 is first an empty single-row span, then filled again by the next step.
    EXPECT_EQ(pixel(0, 0), COLOUR);
    EXPECT_EQ(pixel(39, 0), COLOUR);
    EXPECT_EQ(pixel(39, 1), COLOUR);
    // Row clip_height lies inside this surface: the left x is 30 * 330 there.
    EXPECT_EQ(pixel(37, 30), 0);
    EXPECT_EQ(pixel(38, 30), COLOUR);
    EXPECT_EQ(pixel(39, 30), COLOUR);
    EXPECT_EQ(pixel(39, 31), 0);
}

TEST_F(FlatTest, ClippedAtTheLeftBorder) {
    // x pass: (0,0), (10,0), (10,20) and the crossing (0,10) of the long edge.
    draw_flat_triangle(sv(-10, 0), sv(10, 0), sv(10, 20), COLOUR);
    expect_spans({{0, 0, 9},  {1, 0, 9},  {2, 0, 9},  {3, 0, 9},  {4, 0, 9},  {5, 0, 9},
                  {6, 0, 9},  {7, 0, 9},  {8, 0, 9},  {9, 0, 9},  {10, 0, 9}, {11, 0, 9},
                  {12, 0, 9}, {13, 1, 9}, {14, 2, 9}, {15, 3, 9}, {16, 4, 9}, {17, 5, 9},
                  {18, 6, 9}, {19, 7, 9}, {20, 8, 9}});
}

TEST_F(FlatTest, ClippedAtTheRightBorder) {
    // The right border x = 64 is the surface width: spans end before it.
    draw_flat_triangle(sv(54, 0), sv(74, 0), sv(54, 20), COLOUR);
    std::vector<Row> rows;
    for (int32_t y = 0; y <= 11; ++y)
        rows.push_back({y, 54, 63});
    for (int32_t y = 12; y <= 20; ++y)
        rows.push_back({y, 54, 74 - y});
    expect_spans(rows);
}

TEST_F(FlatTest, ClippedAtTheTopBorder) {
    // The y pass puts (10,0) and (19,0) on row 0; the flat bottom on row 10 leaves
    // one step over, which fills row 11.
    draw_flat_triangle(sv(10, -10), sv(30, 10), sv(10, 10), COLOUR);
    std::vector<Row> rows;
    for (int32_t y = 0; y <= 10; ++y)
        rows.push_back({y, 10, 18 + y});
    rows.push_back({11, 10, 29});
    expect_spans(rows);
}

TEST_F(FlatTest, ClippedAtTheBottomBorder) {
    // Cut at y = clip_height = 64; row 64 and the left-over row 65 are not on the
    // surface and are skipped, so nothing lands past the buffer (ASan watches).
    draw_flat_triangle(sv(10, 50), sv(30, 70), sv(10, 70), COLOUR);
    std::vector<Row> rows;
    for (int32_t y = 52; y <= 63; ++y)
        rows.push_back({y, 10, y - 42});
    expect_spans(rows);
}

TEST_F(FlatTest, FlatBottomOnTheLastRowLosesOnlyTheRowBelow) {
    draw_flat_triangle(sv(20, 53), sv(30, 63), sv(10, 63), COLOUR);
    std::vector<Row> rows;
    for (int32_t r = 1; r <= 10; ++r)
        rows.push_back({53 + r, 20 - r, 18 + r});
    expect_spans(rows);
}

TEST_F(FlatTest, ClipLimitsLargerThanTheSurfaceStayInside) {
    make_surface(32, 16);
    set_clip_limits(1000, 1000);
    // With the limits cut to 32 x 16 the two quads cover the whole surface (an
    // edge from above the top to below the bottom would count as outside). Every
    // pixel is written, and ASan reports any write past the buffer.
    draw_flat_quad(sv(0, -100), sv(32, -100), sv(32, 8), sv(0, 8), COLOUR);
    draw_flat_quad(sv(0, 8), sv(32, 8), sv(32, 900), sv(0, 900), COLOUR);
    EXPECT_EQ(written(), 32 * 16);
    EXPECT_EQ(pixel(31, 15), COLOUR);
}

TEST_F(FlatTest, OnlyTheColoursLowBitsReachTheSurface) {
    draw_flat_quad(sv(3, 3), sv(9, 3), sv(9, 6), sv(3, 6), static_cast<int32_t>(0xABCD5678u));
    EXPECT_EQ(pixel(3, 3), 0x5678);
    EXPECT_EQ(pixel(8, 6), 0x5678);
}

TEST(FlatSpan, OddLengthsAndOddStartsTouchExactlyTheirPixels) {
    for (int32_t start = 0; start < 3; ++start) {
        for (int32_t count = -2; count <= 7; ++count) {
            std::array<uint16_t, 12> buffer;
            buffer.fill(0xAAAA);
            if (count > 0)
                fill_colour(buffer, static_cast<std::size_t>(start),
                            static_cast<std::size_t>(count), 0x4321);
            for (int32_t i = 0; i < 12; ++i) {
                const bool inside = i >= start && i < start + count;
                EXPECT_EQ(buffer[static_cast<std::size_t>(i)], inside ? 0x4321 : 0xAAAA)
                    << "start " << start << " count " << count << " index " << i;
            }
        }
    }
}

TEST(FlatEdge, SlopeCountsBothEndRows) {
    EXPECT_EQ(edge_slope(20, 0, 30, 10), 232);  // 2560 / 11
    EXPECT_EQ(edge_slope(20, 0, 10, 10), -232); // truncated towards zero
    EXPECT_EQ(edge_slope(10, 0, 30, 0), 5120);  // horizontal: the whole difference
    EXPECT_EQ(edge_slope(30, 10, 10, 0), 465);  // upwards: -5120 / -11
    EXPECT_EQ(edge_slope(0, 0, 0, 50), 0);
}

TEST(FlatClip, ListsAreCutAtTheirCapacity) {
    // A zigzag of 24 vertices crossing x = clip_width on every edge would make
    // 36 clip points; the lists keep what fits and nothing past the given span.
    std::vector<ScreenVertex> zigzag;
    for (int32_t i = 0; i < 24; ++i)
        zigzag.push_back({i % 2 ? 400 : 100, 10 * i, 0, 0});
    std::vector<const ScreenVertex*> in;
    for (const ScreenVertex& v : zigzag)
        in.push_back(&v);
    set_clip_limits(256, 256);
    std::array<ClipPoint, FLAT_CLIP_FINAL_CAPACITY + 2> out;
    out.fill({-7, -7});
    const int32_t n = clip_polygon(in, std::span(out).first(FLAT_CLIP_FINAL_CAPACITY));
    EXPECT_EQ(n, FLAT_CLIP_FINAL_CAPACITY);
    EXPECT_EQ(out[FLAT_CLIP_FINAL_CAPACITY].x, -7);
    EXPECT_EQ(out[FLAT_CLIP_FINAL_CAPACITY + 1].y, -7);
    // The first pass starts with the crossing of edge 0 -> 1, then vertex 2.
    EXPECT_EQ(out[0].x, 256);
    EXPECT_EQ(out[1].x, 100);
    EXPECT_EQ(out[1].y, 20);
}

TEST_F(FlatTest, WildInputNeverLeavesTheSurface) {
    // Extreme coordinates wrap instead of overflowing (UBSan watches), and
    // non-convex or self-intersecting quads never write outside (ASan watches).
    const int32_t big[] = {INT32_MIN, INT32_MIN + 1, -70000, -1, 0, 31, 64, 65, 70000, INT32_MAX};
    for (int32_t a : big)
        for (int32_t b : big) {
            draw_flat_triangle(sv(a, b), sv(b, 20), sv(30, a), COLOUR);
            draw_flat_quad(sv(a, 0), sv(0, b), sv(b, a), sv(63, 63), COLOUR);
        }
    // Bow-ties and darts whose edges cross.
    draw_flat_quad(sv(0, 0), sv(63, 63), sv(63, 0), sv(0, 63), COLOUR);
    draw_flat_quad(sv(32, 0), sv(40, 60), sv(32, 20), sv(20, 60), COLOUR);
    draw_flat_quad(sv(-30, 5), sv(90, 40), sv(-30, 60), sv(100, 2), COLOUR);
    EXPECT_GT(written(), 0);
}

TEST_F(FlatTest, NothingIsDrawnWithoutA16BitSurface) {
    // At 24 bits the surface has memory but is not a picture to draw on yet.
    ASSERT_EQ(set_surface_depth(24), 0);
    draw_flat_quad(sv(0, 0), sv(40, 0), sv(40, 40), sv(0, 40), COLOUR);
    const uint16_t* memory = frame_surface().pixels;
    ASSERT_NE(memory, nullptr);
    for (int32_t i = 0; i < 64 * 64; ++i)
        ASSERT_EQ(memory[i], 0) << i;
}

} // namespace
