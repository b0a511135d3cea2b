#include "textures.h"

#include <algorithm>
#include <cstdlib>

namespace walkers::assetgen {
namespace {

constexpr int32_t OUTFIT_SIDE = 32;
constexpr int32_t ATLAS_SIDE = 64;

// Distance from the nearest edge of a square tile: 0 on the outermost ring.
int32_t ring(int32_t x, int32_t y, int32_t side) {
    return std::min({x, y, side - 1 - x, side - 1 - y});
}

Rgb scaled(Rgb c, int32_t percent) {
    const auto ch = [percent](uint8_t v) {
        return static_cast<uint8_t>(std::clamp(v * percent / 100, 0, 255));
    };
    return {ch(c.r), ch(c.g), ch(c.b)};
}

// Face atlas palette indices.
enum Ink : uint8_t {
    PUPIL,
    SKIN,
    SKIN_SHADE,
    HAIR,
    HAIR_LIGHT,
    EYE_WHITE,
    IRIS,
    LIPS,
    BLUSH,
    HAIR_DARK,
    SHOE,
    SHOE_LIGHT,
    SOLE,
    MOUTH_LINE,
    GLINT,
    EAR_INNER,
};

// A view onto one region of the atlas, so each part is drawn in local texels.
struct Cell {
    IndexedImage& image;
    int32_t ox;
    int32_t oy;
    void set(int32_t x, int32_t y, Ink ink) { image.set(ox + x, oy + y, ink); }
    void fill(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Ink ink) {
        image.fill(ox + x0, oy + y0, ox + x1, oy + y1, ink);
    }
};

void draw_eye(Cell& c, int32_t cx) {
    c.fill(cx - 3, 11, cx + 3, 11, PUPIL); // the upper lid line makes eyes read from afar
    c.fill(cx - 3, 12, cx + 3, 16, EYE_WHITE);
    c.fill(cx - 1, 12, cx + 1, 16, IRIS);
    c.fill(cx - 1, 13, cx, 15, PUPIL);
    c.set(cx + 1, 13, GLINT);
    c.fill(cx - 3, 9, cx + 3, 9, HAIR_DARK); // brow
}

void draw_front(Cell c) {
    c.fill(0, 0, 31, 31, SKIN);
    c.fill(0, 0, 31, 6, HAIR);
    for (int32_t x = 0; x < 32; ++x) // jagged fringe
        c.fill(x, 7, x, (x / 3) % 2 == 0 ? 8 : 7, HAIR);
    c.fill(0, 0, 2, 15, HAIR); // sideburns
    c.fill(29, 0, 31, 15, HAIR);
    c.fill(9, 2, 14, 2, HAIR_LIGHT);
    c.fill(18, 3, 22, 3, HAIR_LIGHT);
    draw_eye(c, 10);
    draw_eye(c, 21);
    c.fill(15, 15, 16, 19, SKIN_SHADE); // nose
    c.set(14, 20, MOUTH_LINE);
    c.set(17, 20, MOUTH_LINE);
    c.fill(4, 19, 7, 21, BLUSH);
    c.fill(24, 19, 27, 21, BLUSH);
    c.fill(12, 23, 19, 23, LIPS);
    c.fill(11, 24, 20, 24, MOUTH_LINE);
    c.fill(12, 25, 19, 25, LIPS);
    c.fill(0, 30, 31, 31, SKIN_SHADE); // jaw shadow
}

void draw_back(Cell c) {
    c.fill(0, 0, 31, 31, HAIR);
    for (int32_t x = 0; x < 32; ++x) {
        if (x % 5 == 2)
            c.fill(x, 1, x, 24, HAIR_LIGHT);
        else if (x % 7 == 0)
            c.fill(x, 3, x, 25, HAIR_DARK);
        c.fill(x, x % 4 == 0 ? 26 : 27, x, 31, SKIN); // wavy hairline over the nape
    }
    c.fill(0, 30, 31, 31, SKIN_SHADE);
}

// Column 0 is the front edge of the head, column 31 the back.
void draw_side(Cell c) {
    c.fill(0, 0, 31, 31, SKIN);
    c.fill(0, 0, 31, 7, HAIR);
    c.fill(19, 0, 31, 26, HAIR);
    c.fill(9, 8, 12, 15, HAIR); // sideburn
    c.fill(6, 3, 14, 3, HAIR_LIGHT);
    c.fill(22, 10, 22, 22, HAIR_LIGHT);
    c.fill(13, 12, 17, 21, SKIN_SHADE); // ear
    c.fill(14, 13, 16, 20, EAR_INNER);
    c.fill(0, 9, 2, 9, HAIR_DARK); // end of the brow and the eye, seen from the side
    c.fill(0, 11, 1, 11, PUPIL);
    c.fill(0, 12, 1, 16, EYE_WHITE);
    c.fill(0, 13, 0, 15, IRIS);
    c.fill(0, 30, 18, 31, SKIN_SHADE);
}

void draw_top(Cell c) {
    c.fill(0, 0, 31, 15, HAIR);
    c.fill(16, 0, 16, 15, HAIR_DARK); // parting, front to back
    c.fill(4, 4, 12, 5, HAIR_LIGHT);
    c.fill(20, 9, 27, 10, HAIR_LIGHT);
}

void draw_skin(Cell c) {
    c.fill(0, 0, 15, 15, SKIN_SHADE);
    c.fill(1, 1, 14, 14, SKIN);
}

// Row 15 meets the floor: the sole runs along the bottom of every side.
void draw_shoe(Cell c) {
    c.fill(0, 0, 15, 15, SHOE);
    c.fill(3, 2, 12, 3, SHOE_LIGHT);
    c.fill(0, 12, 15, 12, SHOE_LIGHT);
    c.fill(0, 13, 15, 15, SOLE);
}

} // namespace

Image16 denim_outfit() {
    const Rgb base{52, 84, 150};
    Image16 img(OUTFIT_SIDE, OUTFIT_SIDE, base);
    for (int32_t y = 0; y < OUTFIT_SIDE; ++y) {
        for (int32_t x = 0; x < OUTFIT_SIDE; ++x) {
            const int32_t twill = (x + y) % 4; // diagonal weave
            Rgb c = twill == 0 ? scaled(base, 130) : twill == 2 ? scaled(base, 80) : base;
            const int32_t r = ring(x, y, OUTFIT_SIDE);
            if (r < 2)
                c = {26, 38, 74}; // dark seam
            else if (r == 3 && ((x + y) / 2) % 2 == 0)
                c = {222, 146, 46}; // dashed top-stitching
            img.set(x, y, c);
        }
    }
    return img;
}

Image16 tartan_outfit() {
    // One thread colour per position of the 16-thread sett, used for warp and weft.
    const auto sett = [](int32_t t) -> Rgb {
        const int32_t k = t % 16;
        if (k >= 9 && k <= 12) return {22, 82, 52}; // green band
        if (k == 3) return {238, 204, 70};          // yellow line
        if (k == 14) return {30, 38, 100};          // navy line
        return {170, 30, 38};                       // red ground
    };
    Image16 img(OUTFIT_SIDE, OUTFIT_SIDE, {0, 0, 0});
    for (int32_t y = 0; y < OUTFIT_SIDE; ++y) {
        for (int32_t x = 0; x < OUTFIT_SIDE; ++x) {
            // Twill weave: warp and weft threads show on alternate texels.
            Rgb c = (x + y) % 2 == 0 ? sett(x) : sett(y);
            const int32_t r = ring(x, y, OUTFIT_SIDE);
            if (r == 0)
                c = {22, 12, 12};
            else if (r == 1)
                c = {104, 16, 22};
            img.set(x, y, c);
        }
    }
    return img;
}

Image16 argyle_outfit() {
    const Rgb base{38, 124, 88};
    Image16 img(OUTFIT_SIDE, OUTFIT_SIDE, base);
    for (int32_t y = 0; y < OUTFIT_SIDE; ++y) {
        for (int32_t x = 0; x < OUTFIT_SIDE; ++x) {
            // Diamonds centred on the 16-texel grid: cream on one diagonal, dark on the other.
            const int32_t cx = x < 16 ? 8 : 24;
            const int32_t cy = y < 16 ? 8 : 24;
            const int32_t d = std::abs(2 * x + 1 - 2 * cx) + std::abs(2 * y + 1 - 2 * cy);
            Rgb c = base;
            if (d < 15) c = (cx == cy) ? Rgb{224, 208, 160} : Rgb{22, 78, 54};
            if (((x + y + 1) % 16 == 0 || (x - y + 32) % 16 == 0) && x % 2 == 0)
                c = {216, 172, 58};            // dashed overcheck
            if (x % 2 == 1) c = scaled(c, 90); // knitted rib
            if (ring(x, y, OUTFIT_SIDE) < 2) c = x % 2 == 0 ? Rgb{20, 58, 40} : Rgb{30, 72, 50};
            img.set(x, y, c);
        }
    }
    return img;
}

const Palette16& face_palette() {
    static const Palette16 palette = {{
        {24, 16, 12},    // PUPIL
        {240, 192, 152}, // SKIN
        {208, 152, 114}, // SKIN_SHADE
        {96, 54, 26},    // HAIR
        {140, 84, 40},   // HAIR_LIGHT
        {250, 250, 246}, // EYE_WHITE
        {46, 96, 178},   // IRIS
        {196, 46, 52},   // LIPS
        {244, 156, 144}, // BLUSH
        {58, 32, 14},    // HAIR_DARK
        {56, 36, 26},    // SHOE
        {104, 68, 44},   // SHOE_LIGHT
        {214, 200, 176}, // SOLE
        {150, 70, 60},   // MOUTH_LINE
        {255, 255, 255}, // GLINT
        {226, 140, 124}, // EAR_INNER
    }};
    return palette;
}

IndexedImage face_atlas() {
    IndexedImage atlas(ATLAS_SIDE, ATLAS_SIDE, SKIN);
    draw_front({atlas, 0, 0});
    draw_back({atlas, 32, 0});
    draw_side({atlas, 0, 32});
    draw_top({atlas, 32, 32});
    draw_skin({atlas, 32, 48});
    draw_shoe({atlas, 48, 48});
    return atlas;
}

std::vector<TextureFile> texture_files() {
    return {
        {"ome16.bmp", bmp16_file(denim_outfit())},
        {"buki16.bmp", bmp16_file(tartan_outfit())},
        {"ho16.bmp", bmp16_file(argyle_outfit())},
        {FACE_TEXTURE, bmp4_file(face_atlas(), face_palette())},
    };
}

} // namespace walkers::assetgen
