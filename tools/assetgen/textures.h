// textures.h - the walkers' four textures.
//
// Three outfits (32 x 32, 16-bit): each plain face of a walker shows one of them
// whole, so each is a tile with a border that reads as a sewn panel. The face
// atlas (64 x 64, 4-bit) holds the head's front, back, side and top, a patch of
// skin for neck and hands and a patch of leather for shoes; the FACE_* regions
// say where, in texture-coordinate units (0..255 across the atlas), inset by a
// quarter texel so a face never samples its neighbour's texels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "box.h"

namespace walkers::assetgen {

using writers::Image16;
using writers::IndexedImage;
using writers::Palette16;
using writers::Rgb;

inline const std::string FACE_TEXTURE = "face4.bmp";

// Atlas layout, in 16-texel cells of the 64 x 64 picture.
constexpr TexRegion FACE_FRONT{1, 1, 127, 127};    // texels 0..31, 0..31
constexpr TexRegion FACE_BACK{129, 1, 255, 127};   // texels 32..63, 0..31
constexpr TexRegion FACE_SIDE{1, 129, 127, 255};   // texels 0..31, 32..63; front at the left
constexpr TexRegion FACE_TOP{129, 129, 255, 191};  // texels 32..63, 32..47
constexpr TexRegion FACE_SKIN{129, 193, 191, 255}; // texels 32..47, 48..63
constexpr TexRegion FACE_SHOE{193, 193, 255, 255}; // texels 48..63, 48..63; sole at the bottom

struct TextureFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

Image16 denim_outfit();  // "ome16.bmp"
Image16 tartan_outfit(); // "buki16.bmp"
Image16 argyle_outfit(); // "ho16.bmp"
IndexedImage face_atlas();
const Palette16& face_palette();

// All four files, outfits first in the order the scene loads them.
std::vector<TextureFile> texture_files();

} // namespace walkers::assetgen
