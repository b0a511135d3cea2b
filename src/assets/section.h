// section.h - tagged section text files and the blob they parse into.
//
// A file is a run of sections: name, count, format string, count records of the
// fields the format names (F float, I and L int, V four floats, S text), and a
// closing token (optional after the last section). Tokens are runs of
// non-whitespace; "//" where a token would begin comments out the rest of the
// line; the text ends at its first NUL. parse_section_file turns it into a
// SectionBlob: each section as name_size, padded name, count, next_offset,
// records; then a -1 terminator word. A padded size is the smallest multiple of
// four greater than the text's length (room for its NUL).
//
// Numbers convert like a formatted scan of one value: the longest leading number
// of the token counts, the rest is ignored, and a token that does not start with
// a number leaves the field 0. Integers keep the low 32 bits of the value written
// (for I and L alike, since the field is 32-bit); floats convert as strtof does,
// independent of the locale. A count that is not a number reads 0.
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
#include <vector>

#include "assets/diagnostics.h"

namespace walkers {

constexpr int32_t SECTION_BLOB_CAPACITY = 20000;
constexpr int32_t TOKEN_CAPACITY = 52;  // 51 characters and a NUL
constexpr int32_t FORMAT_CAPACITY = 32; // 31 characters and a NUL
constexpr int32_t SECTION_TERMINATOR = -1;

// Where a section of the blob came from: its offset and the line of its name.
struct SectionSource {
    int32_t offset;
    int32_t line;
};

// The blob's bytes; every section, record and field is 4-byte aligned from data().
// `sources` is filled only while someone listens for problems.
struct SectionBlob {
    std::vector<uint8_t> bytes;
    std::vector<SectionSource> sources{};
    bool unreadable = false; // the file could not be read (and that was reported)
};

// NUL-terminated text; `file` names it in problem reports (empty: from memory).
SectionBlob parse_section_text(const char* text, std::string_view file = {});
SectionBlob parse_section_file(const std::string& path);

// Padded size of a text of n characters: (n + 4) with the two low bits cleared.
constexpr int32_t padded_size(int32_t n) {
    return (n + 4) & ~3;
}

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

// A section is a byte offset into the blob. Accessors never read past the blob:
// a section whose words would do so reads as the terminator (name_size -1,
// empty name, count 0, no records), and next_section of the terminator is the
// terminator again.
struct SectionView {
    const SectionBlob* blob;
    int32_t offset;
};
SectionView first_section(const SectionBlob& blob);
int32_t section_name_size(SectionView s); // -1 at the terminator
const char* section_name(SectionView s);
int32_t section_count(SectionView s);
// The record bytes of the section (from offset 12 + name_size to the next section).
const uint8_t* section_records(SectionView s);
int32_t section_records_size(SectionView s);
// The records of a fixed-stride section that really lie in the blob: its count,
// but no more than its bytes hold (a format string that makes shorter records
// than the reader expects gives fewer); 0 for a count of 0 or below.
int32_t section_record_count(SectionView s, int32_t stride);
SectionView next_section(SectionView s);
// The line the section's name stands on, or 0 when the blob did not note it;
// section_position gives it as a problem position (none when not noted).
int32_t section_line(SectionView s);
SourcePosition section_position(SectionView s);
// The bytes each record takes (the records' bytes over the count), or 0 for a
// count below 1: what a format string made, for loaders that read fixed strides.
int32_t section_record_bytes(SectionView s);
// Whether a name has the form of a section name (it ends with its colon). Loaders
// warn about unknown sections of that form only: other names come from a parse
// that lost its step, which the parser has already reported.
bool section_name_form(const char* name);
// Reports a section whose format made records of another size than `stride`,
// the fixed stride a loader reads it at (`format` names the layout it expects).
void check_record_shape(FileDiagnostics& problems, SectionView s, int32_t stride,
                        const char* format);

// Field readers for fixed-stride records: little-endian words at byte `at`.
int32_t record_int(const uint8_t* record, int32_t at);
float record_float(const uint8_t* record, int32_t at);

} // namespace walkers
