// section.cpp - the tagged section text parser and its blob accessors.
#include "assets/section.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "assets/file.h"
#include "assets/float_text.h"

namespace walkers {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool ends_token(char c) {
    return c == '\0' || is_blank(c);
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// "%d" of one token: optional sign and decimal digits. The value wraps through
// unsigned arithmetic, so the field keeps the low 32 bits of what was written.
bool convert_int(const char* text, int32_t& dst) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    if (!is_digit(*p)) return false;
    uint32_t value = 0;
    for (; is_digit(*p); ++p)
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    dst = static_cast<int32_t>(negative ? 0u - value : value);
    return true;
}

uint32_t load_word(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

void store_word(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value >> 16);
    at[3] = static_cast<uint8_t>(value >> 24);
}

// Whether a format string names any field that reads a token. One that does not
// makes empty records, so the record loop can be skipped whatever the count.
bool format_reads_tokens(const char* format) {
    for (; *format != '\0'; ++format) {
        if (std::strchr("FILVS", *format) != nullptr) return true;
    }
    return false;
}

// The working block of one parse. The last four bytes are kept for the
// terminator, so every complete section leaves room for it.
class BlobBuilder {
public:
    BlobBuilder() : block_(SECTION_BLOB_CAPACITY, 0) {}

    bool fits(int32_t at, int32_t length) const {
        return at >= 0 && length >= 0 && at <= SECTION_BLOB_CAPACITY - 4 - length;
    }
    void word(int32_t at, uint32_t value) { store_word(block_.data() + at, value); }
    void text(int32_t at, const char* chars, int32_t length) {
        std::memcpy(block_.data() + at, chars, static_cast<std::size_t>(length));
    }
    SectionBlob finish(int32_t end) {
        word(end, static_cast<uint32_t>(SECTION_TERMINATOR));
        block_.resize(static_cast<std::size_t>(end) + 4);
        return SectionBlob{std::move(block_)};
    }

private:
    std::vector<uint8_t> block_;
};

constexpr int32_t SECTION_DROPPED = -1;

// One field of a record at w. Returns the bytes written, or SECTION_DROPPED when
// the text ends or the blob is full. Codes the format table does not list read
// nothing and write nothing.
int32_t parse_field(char code, const char*& cursor, BlobBuilder& blob, int32_t w) {
    switch (code) {
    case 'F':
    case 'V': {
        const int32_t floats = code == 'F' ? 1 : 4;
        if (!blob.fits(w, 4 * floats)) return SECTION_DROPPED;
        for (int32_t k = 0; k < floats; ++k) {
            float value = 0.0f;
            cursor = read_float(cursor, value);
            blob.word(w + 4 * k, float_bits(value));
        }
        return cursor ? 4 * floats : SECTION_DROPPED;
    }
    case 'I':
    case 'L': {
        if (!blob.fits(w, 4)) return SECTION_DROPPED;
        int32_t value = 0;
        cursor = code == 'I' ? read_int(cursor, value) : read_long(cursor, value);
        blob.word(w, static_cast<uint32_t>(value));
        return cursor ? 4 : SECTION_DROPPED;
    }
    case 'S': {
        char token[TOKEN_CAPACITY];
        cursor = read_token(cursor, token, TOKEN_CAPACITY);
        if (!cursor) return SECTION_DROPPED;
        const int32_t length = static_cast<int32_t>(std::strlen(token));
        const int32_t size = padded_size(length);
        if (!blob.fits(w, 4 + size)) return SECTION_DROPPED;
        blob.word(w, static_cast<uint32_t>(size));
        blob.text(w + 4, token, length);
        return 4 + size;
    }
    default:
        return 0;
    }
}

// One section at s, the cursor on its name. Returns its next_offset, or
// SECTION_DROPPED when the text ends inside it or it does not fit the blob.
int32_t parse_section(const char*& cursor, BlobBuilder& blob, int32_t s) {
    char name[TOKEN_CAPACITY];
    cursor = read_token(cursor, name, TOKEN_CAPACITY);
    const int32_t name_length = static_cast<int32_t>(std::strlen(name));
    const int32_t name_size = padded_size(name_length);
    if (!blob.fits(s, 12 + name_size)) return SECTION_DROPPED;
    blob.word(s, static_cast<uint32_t>(name_size));
    blob.text(s + 4, name, name_length);

    int32_t count = 0; // a count token that is not a number reads 0
    cursor = read_int(cursor, count);
    blob.word(s + 4 + name_size, static_cast<uint32_t>(count));
    char format[FORMAT_CAPACITY];
    cursor = read_token(cursor, format, FORMAT_CAPACITY);
    if (!cursor) return SECTION_DROPPED;

    int32_t w = s + 12 + name_size;
    if (format_reads_tokens(format)) {
        for (int32_t record = 0; record < count; ++record) {
            for (const char* code = format; *code != '\0'; ++code) {
                const int32_t written = parse_field(*code, cursor, blob, w);
                if (written == SECTION_DROPPED) return SECTION_DROPPED;
                w += written;
            }
        }
    }
    blob.word(s + 8 + name_size, static_cast<uint32_t>(w - s));
    return w - s;
}

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
    const int32_t name_size = static_cast<int32_t>(load_word(bytes.data() + at));
    if (name_size <= 0 || name_size % 4 != 0 || at + 12 + name_size > size) return h;
    if (bytes[static_cast<std::size_t>(at + 3 + name_size)] != 0) return h; // unterminated name
    const int32_t next_offset = static_cast<int32_t>(load_word(bytes.data() + at + 8 + name_size));
    if (next_offset < 12 + name_size || next_offset % 4 != 0) return h;
    if (at + next_offset + 4 > size) return h; // the next section or terminator must follow
    h.ok = true;
    h.name_size = name_size;
    h.count = static_cast<int32_t>(load_word(bytes.data() + at + 4 + name_size));
    h.next_offset = next_offset;
    return h;
}

} // namespace

const char* skip_blank(const char* pos) {
    if (pos == nullptr || *pos == '\0') return nullptr;
    for (;;) {
        while (is_blank(*pos))
            ++pos;
        if (*pos == '\0') return nullptr;
        if (pos[0] != '/' || pos[1] != '/') return pos;
        while (*pos != '\n') { // the comment runs to the line feed, or ends the text
            if (*pos == '\0') return nullptr;
            ++pos;
        }
    }
}

const char* read_token(const char* pos, char* dst, int32_t capacity) {
    pos = skip_blank(pos);
    if (pos == nullptr) return nullptr;
    int32_t length = 0;
    for (; !ends_token(*pos); ++pos) {
        if (length < capacity - 1) dst[length++] = *pos;
    }
    if (capacity > 0) dst[length] = '\0';
    return pos;
}

const char* read_int(const char* pos, int32_t& dst) {
    char token[TOKEN_CAPACITY];
    pos = read_token(pos, token, TOKEN_CAPACITY);
    if (pos != nullptr) convert_int(token, dst);
    return pos;
}

const char* read_long(const char* pos, int32_t& dst) {
    return read_int(pos, dst);
}

const char* read_float(const char* pos, float& dst) {
    char token[TOKEN_CAPACITY];
    pos = read_token(pos, token, TOKEN_CAPACITY);
    if (pos != nullptr) scan_float(token, dst);
    return pos;
}

SectionBlob parse_section_text(const char* text) {
    BlobBuilder blob;
    const char* cursor = text;
    int32_t s = 0;
    while (skip_blank(cursor) != nullptr) {
        const int32_t next_offset = parse_section(cursor, blob, s);
        if (next_offset == SECTION_DROPPED) break;
        s += next_offset;
        if (skip_blank(cursor) == nullptr) break;
        char closing[TOKEN_CAPACITY]; // its text is not examined
        cursor = read_token(cursor, closing, TOKEN_CAPACITY);
    }
    return blob.finish(s);
}

SectionBlob parse_section_file(const std::string& path) {
    const FileImage image = read_whole_file(path);
    return parse_section_text(reinterpret_cast<const char*>(image.bytes.data()));
}

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

int32_t record_int(const uint8_t* record, int32_t at) {
    return static_cast<int32_t>(load_word(record + at));
}

float record_float(const uint8_t* record, int32_t at) {
    return float_from_bits(load_word(record + at));
}

} // namespace walkers
