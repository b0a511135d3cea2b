// portrait.h - the program's icon, cut from the demo's own frames.
//
// render_portrait runs the demo scene headless, as walkers-snapshot does, at
// the window's surface size: a click before frame 1 sends a walker out to the
// front, and at PORTRAIT_FRAME, while it stands there facing the viewer, the
// other eight are stepped out of the picture for that one frame. The run is
// made twice, over two different background colours: the pixels on which both
// agree are the walker's, the rest is background and comes out transparent. The
// result is the smallest square of at least `min_side` pixels centred on the
// walker, in the renderer's colours (5-bit channels widened to 8 bits).
//
// scale_down averages a square picture down to side x side pixels: each output
// pixel is the area-weighted mean of the source pixels it covers, colours
// weighted by their opacity. At the picture's own size it returns the pixels
// unchanged.
//
// The scene and every module are torn down again before render_portrait
// returns; the working directory is left in `data_dir`.
#pragma once

#include <cstdint>
#include <string>

#include "png.h"

namespace walkers::icons {

constexpr int32_t PORTRAIT_CLICK_FRAME = 1;
// Jumping walkers reach the front after 20 frames and hold for 50.
constexpr int32_t PORTRAIT_FRAME = 40;

struct Portrait {
    RgbaImage image;
    std::string error; // empty on success
};

Portrait render_portrait(const std::string& data_dir, int32_t min_side);
RgbaImage scale_down(const RgbaImage& square, int32_t side);

} // namespace walkers::icons
