// printable_text.cpp - escapes the bytes of unprintable or malformed text.
#include "assets/printable_text.h"

#include <cstdint>

namespace walkers {

namespace {

// Length of the well-formed UTF-8 sequence at text[at], or 0 when the byte
// there does not start one.
std::size_t utf8_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(at);
    if (lead < 0x80) return 1;
    const std::size_t n = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (n == 0 || at + n > text.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((byte(at + k) & 0xC0) != 0x80) return 0;
    const uint8_t second = byte(at + 1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return n;
}

// The code point of the well-formed sequence of `n` bytes at text[at].
uint32_t code_point(std::string_view text, std::size_t at, std::size_t n) {
    const auto byte = [&](std::size_t k) { return static_cast<uint32_t>(text[at + k]) & 0xFFu; };
    if (n == 1) return byte(0);
    uint32_t c = byte(0) & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k)
        c = (c << 6) | (byte(k) & 0x3Fu);
    return c;
}

bool unprintable(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x200E || c == 0x200F ||
           (c >= 0x2028 && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

void append_escaped_bytes(std::string& out, std::string_view bytes) {
    constexpr char HEX[] = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto b = static_cast<uint8_t>(ch);
        out += "\\x";
        out += HEX[b >> 4];
        out += HEX[b & 0x0F];
    }
}

} // namespace

std::string printable_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = utf8_length(text, at);
        if (n == 0) {
            append_escaped_bytes(out, text.substr(at, 1));
            ++at;
            continue;
        }
        const std::string_view sequence = text.substr(at, n);
        if (sequence == "\\")
            out += "\\\\";
        else if (unprintable(code_point(text, at, n)))
            append_escaped_bytes(out, sequence);
        else
            out += sequence;
        at += n;
    }
    return out;
}

} // namespace walkers
