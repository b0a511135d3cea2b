// bmp.h - load_texture: BMP files into the texture table (render/texture_table.h).
//
// load_texture reads a 4-, 8-, 16- or 32-bit BMP whose sides are powers of two
// from 2 to 256 into RGB555 texels (rows top-down, no padding), or returns the
// slot that already holds that name (one more reference, the file is not read).
// Names are files relative to the working directory. Returns the slot, or -1:
// table full, name of 28 characters or more, unreadable file, refused size, or a
// file shorter than its pixels; `refusal`, when given, then says why in words
// that follow the file's name ("cannot be read: No such file or directory").
// Other depths keep the slot with zeroed texels.
#pragma once

#include <cstdint>
#include <string>

namespace walkers {

int32_t load_texture(const std::string& name, std::string* refusal = nullptr);

} // namespace walkers
