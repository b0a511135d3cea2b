// section_blob.cpp - walking a SectionBlob: its sections, their records and fields.
//
// Every accessor first checks the section's header words against the blob's
// length (read_header), so a damaged blob reads as ending there, never past it.
#include "assets/section_blob.h"

#include <algorithm>
#include <cstring>

#include "assets/diagnostics.h"
#include "assets/little_endian.h"

namespace walkers {

namespace {

// The checked header of a section: ok is false for the terminator and for any
// offset whose words, name or records would lie outside the blob.
struct Header {
    bool ok = false;
    int32_t name_size = 0;
    int32_t count = 0;
    int32_t next_offset = 0;
};

Header read_header(SectionView s) {
    Header h;
    if (s.blob == nullptr || s.offset < 0) return h;
    const std::vector<uint8_t>& bytes = s.blob->bytes;
    const int64_t size = static_cast<int64_t>(bytes.size());
    const int64_t at = s.offset;
    if (at % 4 != 0 || at + 4 > size) return h;
    const int32_t name_size = read_i32le(bytes, static_cast<std::size_t>(at));
    if (name_size <= 0 || name_size % 4 != 0 || at + 12 + name_size > size) return h;
    if (bytes[static_cast<std::size_t>(at + 3 + name_size)] != 0) return h; // unterminated name
    const int32_t next_offset = read_i32le(bytes, static_cast<std::size_t>(at + 8 + name_size));
    if (next_offset < 12 + name_size || next_offset % 4 != 0) return h;
    if (at + next_offset + 4 > size) return h; // the next section or terminator must follow
    h.ok = true;
    h.name_size = name_size;
    h.count = read_i32le(bytes, static_cast<std::size_t>(at + 4 + name_size));
    h.next_offset = next_offset;
    return h;
}

} // namespace

SectionView first_section(const SectionBlob& blob) {
    return SectionView{&blob, 0};
}

int32_t section_name_size(SectionView s) {
    const Header h = read_header(s);
    return h.ok ? h.name_size : SECTION_TERMINATOR;
}

const char* section_name(SectionView s) {
    if (!read_header(s).ok) return "";
    return reinterpret_cast<const char*>(s.blob->bytes.data() + s.offset + 4);
}

int32_t section_count(SectionView s) {
    return read_header(s).count;
}

const uint8_t* section_records(SectionView s) {
    const Header h = read_header(s);
    if (!h.ok) return nullptr;
    return s.blob->bytes.data() + s.offset + 12 + h.name_size;
}

int32_t section_records_size(SectionView s) {
    const Header h = read_header(s);
    return h.ok ? h.next_offset - 12 - h.name_size : 0;
}

int32_t section_record_count(SectionView s, int32_t stride) {
    const int32_t count = section_count(s);
    if (count <= 0 || stride <= 0) return 0;
    return std::min(count, section_records_size(s) / stride);
}

SectionView next_section(SectionView s) {
    const Header h = read_header(s);
    if (!h.ok) return s;
    return SectionView{s.blob, s.offset + h.next_offset};
}

int32_t section_line(SectionView s) {
    if (s.blob == nullptr) return 0;
    for (const SectionSource& source : s.blob->sources)
        if (source.offset == s.offset) return source.line;
    return 0;
}

SourcePosition section_position(SectionView s) {
    const int32_t line = section_line(s);
    return line > 0 ? at_line(line) : NO_POSITION;
}

SourcePosition record_position(SectionView s, int32_t at) {
    const Header h = read_header(s);
    if (!h.ok) return NO_POSITION;
    const int32_t offset = s.offset + 12 + h.name_size + at;
    for (const SectionSource& source : s.blob->record_sources)
        if (source.offset == offset) return at_line(source.line);
    return section_position(s);
}

int32_t section_record_bytes(SectionView s) {
    const int32_t count = section_count(s);
    return count > 0 ? section_records_size(s) / count : 0;
}

bool section_name_form(const char* name) {
    const std::size_t length = std::strlen(name);
    return length > 0 && name[length - 1] == ':';
}

void check_record_shape(FileDiagnostics& problems, SectionView s, int32_t stride,
                        const char* format) {
    if (!problems.listening()) return;
    const int32_t bytes = section_record_bytes(s);
    if (bytes != 0 && bytes != stride)
        problems.error(section_position(s), section_name(s), " its format makes records of ", bytes,
                       " bytes, but they are read as ", stride, "-byte ", format,
                       " records; their fields come out wrong");
}

// The caller's record holds the word: it reads only records the blob holds.
int32_t record_int(const uint8_t* record, int32_t at) {
    return read_i32le({record + at, 4}, 0);
}

float record_float(const uint8_t* record, int32_t at) {
    return read_f32le({record + at, 4}, 0);
}

} // namespace walkers
