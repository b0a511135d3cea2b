// section_blob.h - the SectionBlob a tagged section text parses into, and its walk.
//
// A blob is the sections of one file, back to back, then a -1 terminator word.
// A section is, from its offset: name_size (the padded size of its name), the
// name with its NUL and zero bytes up to name_size, count, next_offset (bytes
// from this section to the next), then the records, each its fields in format
// order (I and L a 32-bit integer, F a 32-bit float, V four floats, S a size
// word and the padded text). Every word is little-endian and 4-byte aligned from
// the blob's start. A padded size is the smallest multiple of four greater than
// the text's length (room for its NUL). assets/section.h builds blobs from text.
//
// A section is reached as a SectionView, a byte offset into its blob. The
// accessors never read past the blob: a section whose words would do so reads
// as the terminator (name_size -1, empty name, count 0, no records), and
// next_section of the terminator is the terminator again. Loaders walk a blob
// from first_section while section_name_size is not SECTION_TERMINATOR, and
// read fixed-stride records with record_int and record_float, never past what
// section_record_count says the blob holds.
#pragma once

#include <cstdint>
#include <vector>

#include "assets/diagnostics.h"

namespace walkers {

constexpr int32_t SECTION_BLOB_CAPACITY = 20000; // bytes, the terminator included
constexpr int32_t SECTION_TERMINATOR = -1;

// Padded size of a text of n characters: (n + 4) with the two low bits cleared.
constexpr int32_t padded_size(int32_t n) {
    return (n + 4) & ~3;
}

// Where a section or record of the blob came from: its offset and the line its
// first token stands on.
struct SectionSource {
    int32_t offset;
    int32_t line;
};

// The blob's bytes; every section, record and field is 4-byte aligned from data().
// `sources` (sections) and `record_sources` (records) are filled only while
// someone listens for problems, and records only while the parse is in step.
struct SectionBlob {
    std::vector<uint8_t> bytes;
    std::vector<SectionSource> sources{};
    std::vector<SectionSource> record_sources{};
    bool unreadable = false; // the file could not be read (and that was reported)
};

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
// The line of the record `at` bytes into the section's records, as a problem
// position; the section's own position when the blob did not note it.
SourcePosition record_position(SectionView s, int32_t at);
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
