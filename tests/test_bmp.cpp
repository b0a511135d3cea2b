// BMP texture loading: slot allocation by name, size checks, the four pixel
// conversions and what broken files get. Each test works in a fresh temporary
// directory, since load_texture names files relative to the working directory.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/bmp.h"
#include "fresh_state.h"
#include "render/texture_table.h"

using namespace walkers;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, std::size_t at, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b[at + k] = static_cast<uint8_t>(v >> (8 * k));
}

// A file of the layout the loader expects: headers, a full palette for 4 and 8
// bits, then `pixels` (rows bottom-up, unpadded) at the fixed offset.
Bytes make_bmp(int32_t width, int32_t height, uint16_t depth, const Bytes& pixels,
               const std::vector<uint32_t>& palette = {}) {
    const std::size_t offset = depth == 4 ? 118 : depth == 8 ? 1078 : 54;
    Bytes b(offset, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 10, static_cast<uint32_t>(offset));
    put32(b, 14, 40);
    put32(b, 18, static_cast<uint32_t>(width));
    put32(b, 22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = static_cast<uint8_t>(depth);
    b[29] = static_cast<uint8_t>(depth >> 8);
    for (std::size_t k = 0; k < palette.size() && 54 + 4 * k + 4 <= offset; ++k)
        put32(b, 54 + 4 * k, palette[k]); // bytes blue, green, red, 0
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// Pixel bytes of a 16-bit file, one value per texel in file order.
Bytes words16(const std::vector<uint16_t>& values) {
    Bytes b;
    for (uint16_t v : values) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    }
    return b;
}

class Bmp : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        enter_scratch_dir();
    }

    static void write(const std::string& name, const Bytes& bytes) {
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<uint16_t> texels(int32_t slot) {
        const TextureSlot* s = texture_slot(slot);
        return s ? s->pixels : std::vector<uint16_t>{};
    }
    static Bytes small16() { return make_bmp(2, 2, 16, words16({1, 2, 3, 4})); }
};

TEST_F(Bmp, SameNameReturnsSameSlotWithoutRereadingTheFile) {
    write("ome16.bmp", small16());
    ASSERT_EQ(load_texture("ome16.bmp"), 0);
    fs::remove("ome16.bmp");
    EXPECT_EQ(load_texture("ome16.bmp"), 0);
    ASSERT_NE(texture_slot(0), nullptr);
    EXPECT_EQ(texture_slot(0)->ref_count, 2);
    EXPECT_EQ(texture_slot(0)->index, 0);
    EXPECT_STREQ(texture_slot(0)->name, "ome16.bmp");
    EXPECT_EQ(texture_slot(1), nullptr);
}

TEST_F(Bmp, NewNamesTakeTheLowestFreeSlot) {
    write("a.bmp", small16());
    write("b.bmp", make_bmp(48, 2, 16, Bytes(48 * 2 * 2)));
    write("c.bmp", small16());
    EXPECT_EQ(load_texture("a.bmp"), 0);
    EXPECT_EQ(load_texture("b.bmp"), -1);
    EXPECT_EQ(load_texture("c.bmp"), 1);
    EXPECT_EQ(texture_slot(2), nullptr);

    clear_texture_table();
    write("b.bmp", small16());
    EXPECT_EQ(load_texture("a.bmp"), 0);
    EXPECT_EQ(load_texture("b.bmp"), 1);
    EXPECT_EQ(load_texture("c.bmp"), 2);
}

TEST_F(Bmp, SidesMustBePowersOfTwoFromTwoTo256) {
    write("wide.bmp", make_bmp(64, 32, 16, Bytes(64 * 32 * 2)));
    ASSERT_EQ(load_texture("wide.bmp"), 0);
    EXPECT_EQ(texture_width_shift(0), 6);
    EXPECT_EQ(texture_height_shift(0), 5);
    EXPECT_EQ(texels(0).size(), 64u * 32u);

    write("long.bmp", make_bmp(256, 2, 16, Bytes(256 * 2 * 2)));
    ASSERT_EQ(load_texture("long.bmp"), 1);
    EXPECT_EQ(texture_width_shift(1), 8);
    EXPECT_EQ(texture_height_shift(1), 1);

    struct Size {
        int32_t w, h;
    };
    const Size refused[] = {{48, 32}, {512, 32}, {32, 512}, {32, -32}, {1, 32},
                            {32, 0},  {-2, 2},   {3, 2},    {2, 1}};
    for (const Size& s : refused) {
        const std::size_t room = 512u * 512u * 2u; // generous: only the size may refuse
        write("bad.bmp", make_bmp(s.w, s.h, 16, Bytes(room)));
        EXPECT_EQ(load_texture("bad.bmp"), -1) << s.w << " x " << s.h;
        EXPECT_EQ(texture_slot(2), nullptr);
    }
}

TEST_F(Bmp, FourBitPixelsComeInPairsThroughThePalette) {
    std::vector<uint32_t> palette;
    for (uint32_t k = 0; k < 16; ++k)
        palette.push_back(k << 3 | (k << 3) << 8 | (k << 3) << 16);
    auto grey = [](uint16_t k) { return static_cast<uint16_t>(k << 10 | k << 5 | k); };
    // 4 x 2: two bytes per row; the last stored row is the top of the picture.
    write("four.bmp", make_bmp(4, 2, 4, {0x23, 0x45, 0x1F, 0xE0}, palette));
    ASSERT_EQ(load_texture("four.bmp"), 0);
    const std::vector<uint16_t> expected = {grey(1), grey(15), grey(14), grey(0),
                                            grey(2), grey(3),  grey(4),  grey(5)};
    EXPECT_EQ(texels(0), expected);
}

TEST_F(Bmp, PaletteEntriesKeepTheTopFiveBitsOfEachChannel) {
    std::vector<uint32_t> palette(256, 0);
    palette[7] = 0x0008'80FF;   // red 0x08, green 0x80, blue 0xFF
    palette[200] = 0x00FF'FFFF; // white
    write("eight.bmp", make_bmp(2, 2, 8, {7, 200, 0, 7}, palette));
    ASSERT_EQ(load_texture("eight.bmp"), 0);
    // Row 0 of the texture is the second stored row.
    EXPECT_EQ(texels(0), (std::vector<uint16_t>{0x0000, 0x061F, 0x061F, 0x7FFF}));
}

TEST_F(Bmp, EightBitRowsAreReadBottomUpWidthBytesApart) {
    std::vector<uint32_t> palette(256);
    for (uint32_t k = 0; k < 256; ++k)
        palette[k] = k; // blue = k, so texel = k >> 3
    Bytes pixels;
    for (uint8_t r = 0; r < 4; ++r)
        for (uint8_t u = 0; u < 8; ++u)
            pixels.push_back(static_cast<uint8_t>(r * 64 + u * 8));
    write("rows.bmp", make_bmp(8, 4, 8, pixels, palette));
    ASSERT_EQ(load_texture("rows.bmp"), 0);
    const auto t = texels(0);
    for (int r = 0; r < 4; ++r)
        for (int u = 0; u < 8; ++u)
            EXPECT_EQ(t[r * 8 + u], (3 - r) * 8 + u) << r << "," << u;
}

TEST_F(Bmp, SixteenBitValuesAreCopiedAsTheyStand) {
    write("s.bmp", make_bmp(2, 4, 16, words16({1, 2, 3, 4, 5, 6, 0x7FFF, 0x8001})));
    ASSERT_EQ(load_texture("s.bmp"), 0);
    EXPECT_EQ(texels(0), (std::vector<uint16_t>{0x7FFF, 0x8001, 5, 6, 3, 4, 1, 2}));
}

TEST_F(Bmp, ThirtyTwoBitPixelsKeepTheTopFiveBitsOfEachChannel) {
    // blue, green, red, reserved per pixel; two rows of two, bottom row first.
    const Bytes pixels = {0xFF, 0x80, 0x08, 0x55, 0x07, 0x07, 0x07, 0x00,
                          0x00, 0x00, 0xFF, 0x00, 0xF8, 0x08, 0x10, 0xFF};
    write("t.bmp", make_bmp(2, 2, 32, pixels));
    ASSERT_EQ(load_texture("t.bmp"), 0);
    EXPECT_EQ(texels(0), (std::vector<uint16_t>{0x7C00, 0x083F, 0x061F, 0x0000}));
}

TEST_F(Bmp, UnsupportedDepthKeepsTheSlotWithZeroTexels) {
    for (uint16_t depth : {1, 24}) {
        clear_texture_table();
        write("odd.bmp", make_bmp(8, 8, depth, Bytes(8 * 8 * 3, 0xAB)));
        ASSERT_EQ(load_texture("odd.bmp"), 0) << depth;
        EXPECT_EQ(texture_width_shift(0), 3);
        EXPECT_EQ(texture_height_shift(0), 3);
        EXPECT_EQ(texels(0), std::vector<uint16_t>(64, 0)) << depth;
    }
}

TEST_F(Bmp, TableFullRefusesTheNextNewNameOnly) {
    write("base.bmp", small16());
    for (int i = 0; i < TEXTURE_SLOTS; ++i) {
        const std::string name = "t" + std::to_string(i) + ".bmp";
        fs::copy_file("base.bmp", name);
        ASSERT_EQ(load_texture(name), i);
    }
    EXPECT_EQ(load_texture("base.bmp"), -1);
    EXPECT_EQ(load_texture("t5.bmp"), 5);
    EXPECT_EQ(texture_slot(5)->ref_count, 2);
}

TEST_F(Bmp, NamesMustFitTheirField) {
    const std::string longest(27, 'n');
    const std::string too_long(28, 'n');
    write(longest, small16());
    write(too_long, small16());
    EXPECT_EQ(load_texture(too_long), -1);
    EXPECT_EQ(load_texture(longest), 0);
    EXPECT_EQ(std::string(texture_slot(0)->name), longest);
    EXPECT_EQ(load_texture(std::string("n\0x", 3)), -1);
    EXPECT_EQ(texture_slot(1), nullptr);
}

TEST_F(Bmp, UnreadableFileIsRefusedAndNamed) {
    const walkers::testing::HeardProblems heard;
    EXPECT_EQ(load_texture("missing.bmp"), -1);
    fs::create_directory("folder.bmp");
    EXPECT_EQ(load_texture("folder.bmp"), -1);
    EXPECT_EQ(texture_slot(0), nullptr);
    EXPECT_EQ(heard.log().unreadable_files(),
              (std::vector<std::string>{(fs::current_path() / "missing.bmp").string(),
                                        (fs::current_path() / "folder.bmp").string()}));
}

TEST_F(Bmp, FilesShorterThanTheirPixelsAreRefused) {
    std::vector<uint32_t> palette(256, 0x00FFFFFF);
    const Bytes files[] = {
        make_bmp(4, 4, 4, Bytes(4 * 2, 0x11), palette),
        make_bmp(4, 4, 8, Bytes(4 * 4, 1), palette),
        make_bmp(4, 4, 16, Bytes(4 * 4 * 2, 1)),
        make_bmp(4, 4, 32, Bytes(4 * 4 * 4, 1)),
    };
    for (const Bytes& whole : files) {
        write("whole.bmp", whole);
        clear_texture_table();
        EXPECT_EQ(load_texture("whole.bmp"), 0) << whole.size();
        write("short.bmp", Bytes(whole.begin(), whole.end() - 1));
        EXPECT_EQ(load_texture("short.bmp"), -1) << whole.size();
        EXPECT_EQ(texture_slot(1), nullptr);
    }
    // Headers cut short: nothing to take the sizes from.
    const Bytes full = make_bmp(2, 2, 16, words16({1, 2, 3, 4}));
    for (std::size_t cut : {std::size_t{0}, std::size_t{20}, std::size_t{53}}) {
        clear_texture_table();
        write("cut.bmp", Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_EQ(load_texture("cut.bmp"), -1) << cut;
        EXPECT_EQ(texture_slot(0), nullptr);
    }
}

} // namespace
