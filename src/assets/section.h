// section.h - tagged section text files, parsed into a SectionBlob.
//
// A file is a run of sections: name, count, format string, count records of the
// fields the format names (F float, I and L int, V four floats, S text), and a
// closing token (optional after the last section). Tokens are runs of
// non-whitespace; "//" where a token would begin comments out the rest of the
// line; the text ends at its first NUL. parse_section_file turns it into a
// SectionBlob (assets/section_blob.h, which also walks it): each section as
// name_size, padded name, count, next_offset, records; then a -1 terminator word.
//
// Numbers convert like a formatted scan of one value: the longest leading number
// of the token counts, the rest is ignored, and a token that does not start with
// a number leaves the field 0. Each field is read by its own reader: F by
// read_float, I by read_int, L by read_long. Integers keep the low 32 bits of
// the value written (for I and L alike, since the field is 32-bit); floats
// convert as strtof does, independent of the locale. A count that is not a
// number reads 0.
//
// Limits: tokens are cut to 51 characters and format strings to 31 (the rest of
// an over-long token is skipped, not read as the next token); a blob holds at
// most SECTION_BLOB_CAPACITY bytes, and a section that does not fit is dropped
// as one that the text ends in is: the blob ends after the last complete section
// that fits. An unreadable file gives a blob holding only the terminator.
//
// Problems are reported to the diagnostics listener (assets/diagnostics.h) with
// their line: sections dropped, tokens cut, counts and numbers that are not
// numbers, integers beyond 32 bits, format characters that are no field code,
// and, as warnings, what usually means a count that does not match its records
// (a section name without its colon, a closing token that looks like a name),
// negative counts and text after a NUL byte. With a listener the blob also notes
// the line each section starts on, so the loaders can point at it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "assets/section_blob.h"

namespace walkers {

constexpr int32_t TOKEN_CAPACITY = 52;  // 51 characters and a NUL
constexpr int32_t FORMAT_CAPACITY = 32; // 31 characters and a NUL

// NUL-terminated text; `file` names it in problem reports (empty: from memory).
SectionBlob parse_section_text(const char* text, std::string_view file = {});
SectionBlob parse_section_file(const std::string& path);

// Tokenizer over NUL-terminated text; a null position means "none" (exhausted),
// and every operation given none returns none and stores nothing.
const char* skip_blank(const char* pos);
// Copies the token (cut to capacity - 1 characters) and a NUL into dst and
// returns the position just after the whole token.
const char* read_token(const char* pos, char* dst, int32_t capacity);
// One token converted as "%d", "%f" or "%ld"; dst is left alone when the token
// does not start with a number.
const char* read_int(const char* pos, int32_t& dst);
const char* read_float(const char* pos, float& dst);
const char* read_long(const char* pos, int32_t& dst);

} // namespace walkers
