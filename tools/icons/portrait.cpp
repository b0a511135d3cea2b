// portrait.cpp - two runs of the scene, their agreement as the walker's mask,
// a square crop around it and box-filtered smaller sizes.
#include "portrait.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "assets/model.h"
#include "frontend/demo_window.h"
#include "render/rgb555.h"
#include "render/surface.h"
#include "scene/scene.h"

namespace walkers::icons {

namespace {

// Two backgrounds that differ in every channel, as 5-bit red, green, blue.
constexpr std::array<int32_t, 3> FIRST_BACKGROUND{31, 0, 31};
constexpr std::array<int32_t, 3> SECOND_BACKGROUND{0, 31, 0};
// Far beyond the right edge of the picture at any depth of the floor.
constexpr int32_t ASIDE_X = WALK_MAX_X * 8;

// Keeps the last frame presented to it.
class CapturingHost final : public WindowHost {
public:
    ClientSize client_size() const override { return {DEMO_SURFACE_WIDTH, DEMO_SURFACE_HEIGHT}; }
    void present(std::span<const uint16_t> pixels, int32_t, int32_t) override {
        frame_.assign(pixels.begin(), pixels.end());
    }
    const std::vector<uint16_t>& frame() const { return frame_; }

private:
    std::vector<uint16_t> frame_;
};

void step_aside_all_but(int32_t kept) {
    for (int32_t i = 0; i < WALKER_COUNT; ++i) {
        Vector4* position = model_position(walkers()[static_cast<std::size_t>(i)].model);
        if (i != kept && position) position->x = ASIDE_X; // the walk cannot step back in
    }
}

std::vector<uint16_t> render_frame(const std::string& data_dir,
                                   const std::array<int32_t, 3>& background) {
    random_reset();
    CapturingHost host;
    setup_scene(&host, data_dir);
    set_clear_colour(background[0], background[1], background[2]);
    for (int32_t frame = 1; frame <= PORTRAIT_FRAME; ++frame) {
        if (frame == PORTRAIT_CLICK_FRAME) start_jump();
        if (frame == PORTRAIT_FRAME) step_aside_all_but(jump_sequence().walker);
        run_frame(&host);
    }
    teardown_scene();
    return host.frame();
}

RgbaPixel opaque(uint16_t pixel) {
    const Rgb888 c = widen_rgb555(pixel);
    return {c.r, c.g, c.b, 255};
}

struct Box {
    int32_t left = DEMO_SURFACE_WIDTH, top = DEMO_SURFACE_HEIGHT, right = -1, bottom = -1;
    bool empty() const { return right < left; }
};

Box walker_box(const std::vector<uint16_t>& first, const std::vector<uint16_t>& second) {
    Box box;
    for (int32_t y = 0; y < DEMO_SURFACE_HEIGHT; ++y) {
        for (int32_t x = 0; x < DEMO_SURFACE_WIDTH; ++x) {
            const auto at = static_cast<std::size_t>(y * DEMO_SURFACE_WIDTH + x);
            if (first[at] != second[at]) continue;
            box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                   std::max(box.bottom, y)};
        }
    }
    return box;
}

// How much of the source cell [cell, cell + 1) lies in [from, to).
double overlap(int32_t cell, double from, double to) {
    return std::max(0.0, std::min(to, cell + 1.0) - std::max(from, static_cast<double>(cell)));
}

} // namespace

Portrait render_portrait(const std::string& data_dir, int32_t min_side) {
    const std::vector<uint16_t> first = render_frame(data_dir, FIRST_BACKGROUND);
    const std::vector<uint16_t> second = render_frame(data_dir, SECOND_BACKGROUND);
    const std::size_t surface_pixels =
        static_cast<std::size_t>(DEMO_SURFACE_WIDTH) * DEMO_SURFACE_HEIGHT;
    if (first.size() != surface_pixels || second.size() != surface_pixels)
        return {{}, "the scene presented no frame"};
    const Box box = walker_box(first, second);
    if (box.empty()) return {{}, "no walker was drawn from " + data_dir};

    const int32_t side = std::max({min_side, box.right - box.left + 1, box.bottom - box.top + 1});
    const int32_t left = (box.left + box.right + 1 - side) / 2;
    const int32_t top = (box.top + box.bottom + 1 - side) / 2;
    Portrait portrait;
    portrait.image = {side, side, std::vector<RgbaPixel>(static_cast<std::size_t>(side) * side)};
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const int32_t sx = left + x;
            const int32_t sy = top + y;
            if (sx < 0 || sy < 0 || sx >= DEMO_SURFACE_WIDTH || sy >= DEMO_SURFACE_HEIGHT) continue;
            const auto at = static_cast<std::size_t>(sy * DEMO_SURFACE_WIDTH + sx);
            if (first[at] == second[at])
                portrait.image.pixels[static_cast<std::size_t>(y * side + x)] = opaque(first[at]);
        }
    }
    return portrait;
}

RgbaImage scale_down(const RgbaImage& square, int32_t side) {
    const double step = static_cast<double>(square.width) / side;
    RgbaImage out{side, side, std::vector<RgbaPixel>(static_cast<std::size_t>(side) * side)};
    for (int32_t y = 0; y < side; ++y) {
        for (int32_t x = 0; x < side; ++x) {
            const double x0 = x * step, x1 = x0 + step, y0 = y * step, y1 = y0 + step;
            double r = 0, g = 0, b = 0, a = 0;
            for (auto sy = static_cast<int32_t>(y0); sy < y1 && sy < square.height; ++sy) {
                for (auto sx = static_cast<int32_t>(x0); sx < x1 && sx < square.width; ++sx) {
                    const RgbaPixel& p =
                        square.pixels[static_cast<std::size_t>(sy * square.width + sx)];
                    const double weight = overlap(sx, x0, x1) * overlap(sy, y0, y1) * p.a;
                    r += weight * p.r;
                    g += weight * p.g;
                    b += weight * p.b;
                    a += weight;
                }
            }
            if (a <= 0) continue; // nothing opaque under it: stays transparent
            const auto channel = [a](double sum) {
                return static_cast<uint8_t>(std::lround(sum / a));
            };
            out.pixels[static_cast<std::size_t>(y * side + x)] = {
                channel(r), channel(g), channel(b),
                static_cast<uint8_t>(std::lround(a / (step * step)))};
        }
    }
    return out;
}

} // namespace walkers::icons
