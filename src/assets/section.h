// section.h - tagged section text files and the blob they parse into.
//
// A file is a run of sections: name, count, format string, count records of the
// fields the format names (F float, I and L int, V four floats, S text), and a
// closing token. parse_section_file turns it into a SectionBlob: each section as
// name_size, padded name, count, next_offset, records; then a -1 terminator word.
// Limits: tokens of up to 51 characters (longer ones are cut), format strings of
// up to 31, blobs of up to SECTION_BLOB_CAPACITY bytes (a section that does not
// fit is dropped, as an incomplete one is). An unreadable file gives a blob that
// holds only the terminator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace walkers {

constexpr int32_t SECTION_BLOB_CAPACITY = 20000;
constexpr int32_t TOKEN_CAPACITY = 52;  // 51 characters and a NUL
constexpr int32_t FORMAT_CAPACITY = 32; // 31 characters and a NUL
constexpr int32_t SECTION_TERMINATOR = -1;

// The blob's bytes; every section, record and field is 4-byte aligned from data().
struct SectionBlob {
    std::vector<uint8_t> bytes;
};

SectionBlob parse_section_text(const char* text); // NUL-terminated text
SectionBlob parse_section_file(const std::string& path);

// Tokenizer over NUL-terminated text; a null position means "none" (exhausted).
const char* skip_blank(const char* pos);
// Copies the token (cut to capacity - 1 characters) and a NUL into dst.
const char* read_token(const char* pos, char* dst, int32_t capacity);
const char* read_int(const char* pos, int32_t& dst);
const char* read_float(const char* pos, float& dst);
const char* read_long(const char* pos, int32_t& dst);

// A section is a byte offset into the blob. Accessors never read past the blob:
// a section whose words would do so reads as the terminator.
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
SectionView next_section(SectionView s);

// Field readers for fixed-stride records: little-endian words at byte `at`.
int32_t record_int(const uint8_t* record, int32_t at);
float record_float(const uint8_t* record, int32_t at);

} // namespace walkers
