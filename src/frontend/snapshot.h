// snapshot.h - pictures and per-frame state of the scene in portable forms.
//
// Used by the snapshot tool, the page and the tests to check a run from outside:
// - crc32_update: the zlib CRC-32 (reflected polynomial 0xEDB88320, initial and
//   final XOR 0xFFFFFFFF); chainable, start with crc = 0.
// - crc32_pixels: that CRC over RGB555 words as little-endian byte pairs, in
//   the order given, whatever the host's byte order.
// - encode_bmp16: a 16-bit uncompressed BMP (54-byte headers, positive height so
//   rows are stored bottom-up, each row padded to 4 bytes); pixel words are
//   copied unchanged. Empty result when the sizes do not describe the span.
// - format_state_line: one JSON object, no spaces, keys in the order
//   frame, crc32, walkers, jump. A walker is [x,y,z,heading,direction] from its
//   model slot; one without a model is [null,null,null,null,direction].
// - format_current_state_line: that line for the scene as it stands, the frame
//   being frames_drawn() and the CRC the surface's (surface_words()): what every
//   front end that checks its frames from outside writes after each frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace walkers {

constexpr int32_t BMP_FILE_HEADER_BYTES = 14;
constexpr int32_t BMP_INFO_HEADER_BYTES = 40;
constexpr int32_t BMP_PIXEL_OFFSET = BMP_FILE_HEADER_BYTES + BMP_INFO_HEADER_BYTES;

uint32_t crc32_update(uint32_t crc, std::span<const uint8_t> bytes);
uint32_t crc32_pixels(std::span<const uint16_t> pixels);

// Bytes of one stored row: width 16-bit pixels rounded up to a multiple of 4.
int32_t bmp16_row_bytes(int32_t width);
std::vector<uint8_t> encode_bmp16(std::span<const uint16_t> pixels, int32_t width, int32_t height);

// Replaces `out` with the line (no newline) for the scene as it stands after
// frame `frame`, whose picture had the CRC `crc`. Reuses out's capacity.
void format_state_line(std::string& out, int64_t frame, uint32_t crc);

void format_current_state_line(std::string& out);

} // namespace walkers
