// section.cpp - the tagged section text parser: tokens, numbers and the blob they build.
#include "assets/section.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "assets/diagnostics.h"
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
        return SectionBlob{std::move(block_), {}, {}, false};
    }

private:
    std::vector<uint8_t> block_;
};

constexpr int32_t SECTION_DROPPED = -1;

// Line numbers of positions in the text, counted on from the last one asked
// for: the parser asks in text order, so the whole text is scanned once.
class LineCounter {
public:
    explicit LineCounter(const char* text) : text_(text), at_(text) {}
    int64_t line_of(const char* pos) {
        if (pos == nullptr) pos = at_ + std::strlen(at_); // the end of the text
        if (pos < at_) {
            at_ = text_;
            line_ = 1;
        }
        for (; at_ < pos; ++at_)
            line_ += *at_ == '\n';
        return line_;
    }

private:
    const char* text_;
    const char* at_;
    int64_t line_ = 1;
};

// What a closing token in the form of a section name cost: that section is
// lost, and the parse reads what follows out of step (its records as section
// headers) until a name in the form of a section name comes where a name is
// expected again, or the text ends. Told as one error once that end is known.
struct MisreadStretch {
    SourcePosition at;                // where the error points
    std::string cause;                // how the step was lost
    std::vector<std::string> lost;    // sections whose names were taken as closing tokens
    int64_t from_line = 0;            // the first line read out of step
    std::vector<std::string> misread; // the names of the sections read out of step

    bool open() const { return !lost.empty(); } // a stretch begins with its first lost section
};

// The section parsed last, for what its closing token may say about it.
struct LastSection {
    std::string name;
    int32_t count = 0;
    int64_t line = 0;               // of its name
    const char* end = nullptr;      // just after its last field
    bool took_what_follows = false; // its last record read a token meant to follow it
};

// One parse: the blob being built, and what is said about the text. Every
// report is behind problems.listening(), so a parse nobody listens to does
// exactly the work it always did.
struct Parse {
    Parse(const char* text, FileDiagnostics& problems) : lines(text), problems(problems) {}

    // Whether header and field problems are still worth telling.
    bool telling() const { return problems.listening() && !lost_step; }

    // Only counted for a listener; a parse nobody hears about counts nothing.
    SourcePosition line_at(const char* pos) {
        return problems.listening() ? at_line(lines.line_of(pos)) : NO_POSITION;
    }

    BlobBuilder blob;
    LineCounter lines;
    FileDiagnostics& problems;
    std::vector<SectionSource> sources;
    std::vector<SectionSource> record_sources;
    // Set once a section's count is seen not to match its records: from there on
    // the parse reads records as headers and headers as records, and the header
    // and field problems that follow would only echo that one. A section name in
    // its form, with a count, where a name is expected puts it back in step.
    bool lost_step = false;
    MisreadStretch stretch;
    LastSection last;
    // Whether the record being read took a token that seems to belong after the
    // section (a number field that is no number, a text that is the closing word).
    bool record_took_what_follows = false;
    std::string closing_word; // the last closing token that was not a section name
};

// Where a field stands, for messages.
struct FieldPlace {
    const char* section;
    int32_t record; // from 1
    int32_t field;  // from 1, the code's place in the format string
};

// "section NAME:", whether or not the name ends with its colon.
std::string section_label(const char* name) {
    return "section " + std::string(name) + (section_name_form(name) ? "" : ":");
}

std::string field_place(const FieldPlace& at) {
    return section_label(at.section) + " record " + std::to_string(at.record) + ", field " +
           std::to_string(at.field);
}

// What a token is, for messages: a field of a record, or a part of a header.
struct TokenLabel {
    std::string_view what;
    const FieldPlace* field = nullptr;
};

// read_token that also reports a token cut to fit `capacity`.
const char* take_token(Parse& p, const char* cursor, char* dst, int32_t capacity,
                       const TokenLabel& label) {
    const char* start = p.telling() ? skip_blank(cursor) : nullptr;
    const char* end = read_token(cursor, dst, capacity);
    if (start != nullptr && end != nullptr && end - start > capacity - 1) {
        const std::string where = label.field ? field_place(*label.field) + ": " : "";
        p.problems.error(p.line_at(start), where, label.what, " '", dst, "...' of ", end - start,
                         " characters is cut to its first ", capacity - 1);
    }
    return end;
}

// Whether a "%d" text's value lies outside int32, so the field keeps only its
// low 32 bits.
bool int_wraps(const char* text) {
    const char* p = text;
    const bool negative = *p == '-';
    if (*p == '+' || *p == '-') ++p;
    uint64_t value = 0;
    for (; is_digit(*p); ++p) {
        value = value * 10u + static_cast<uint64_t>(*p - '0');
        if (value > uint64_t{1} << 32) return true;
    }
    return value > (negative ? uint64_t{1} << 31 : (uint64_t{1} << 31) - 1);
}

// Whether a token starts with a number of `code` ('F' float, else int).
bool starts_number(char code, const char* token) {
    if (code == 'F') {
        float ignored = 0.0f;
        return scan_float(token, ignored);
    }
    int32_t ignored = 0;
    return convert_int(token, ignored);
}

// One number token of `code` into `word` through the field's own reader:
// read_float for F, read_long for L, read_int for I. `word` stays 0 when the
// token does not start with a number.
const char* read_number(const char* cursor, char code, uint32_t& word) {
    if (code == 'F') {
        float value = 0.0f;
        cursor = read_float(cursor, value);
        word = float_bits(value);
        return cursor;
    }
    int32_t value = 0;
    cursor = code == 'L' ? read_long(cursor, value) : read_int(cursor, value);
    word = static_cast<uint32_t>(value);
    return cursor;
}

// What a listener hears of the number token at the cursor: cut, not a number,
// or beyond 32 bits.
void check_number(Parse& p, const char* cursor, char code, const FieldPlace& at) {
    char token[TOKEN_CAPACITY];
    const char* start = skip_blank(cursor);
    if (take_token(p, cursor, token, TOKEN_CAPACITY, {"number", &at}) == nullptr) return;
    if (!starts_number(code, token)) {
        p.record_took_what_follows = true;
        p.problems.error(p.line_at(start), field_place(at), ": '", token,
                         "' is not a number; the field reads 0");
    } else if (code != 'F' && int_wraps(token))
        p.problems.error(p.line_at(start), field_place(at), ": ", token,
                         " does not fit in 32 bits; the field keeps its low 32 bits");
}

// One number field of `code` into `word`. Told, the token is looked at once
// more for the listener; untold, it is only read, so the records of a parse
// nobody listens to cost what they did.
template <bool Told>
const char* take_number(Parse& p, const char* cursor, char code, uint32_t& word,
                        const FieldPlace& at) {
    if constexpr (Told) check_number(p, cursor, code, at);
    return read_number(cursor, code, word);
}

// One field of a record at w. Returns the bytes written, or SECTION_DROPPED when
// the text ends or the blob is full. Codes the format table does not list read
// nothing and write nothing.
template <bool Told>
int32_t parse_field(Parse& p, char code, const char*& cursor, int32_t w, const FieldPlace& at) {
    BlobBuilder& blob = p.blob;
    switch (code) {
    case 'F':
    case 'V': {
        const int32_t floats = code == 'F' ? 1 : 4;
        if (!blob.fits(w, 4 * floats)) return SECTION_DROPPED;
        for (int32_t k = 0; k < floats; ++k) {
            uint32_t word = 0;
            cursor = take_number<Told>(p, cursor, 'F', word, at);
            blob.word(w + 4 * k, word);
        }
        return cursor ? 4 * floats : SECTION_DROPPED;
    }
    case 'I':
    case 'L': {
        if (!blob.fits(w, 4)) return SECTION_DROPPED;
        uint32_t word = 0;
        cursor = take_number<Told>(p, cursor, code, word, at);
        blob.word(w, word);
        return cursor ? 4 : SECTION_DROPPED;
    }
    case 'S': {
        char token[TOKEN_CAPACITY];
        if constexpr (Told) {
            cursor = take_token(p, cursor, token, TOKEN_CAPACITY, {"text", &at});
            if (cursor && !p.closing_word.empty() && p.closing_word == token)
                p.record_took_what_follows = true;
        } else {
            cursor = read_token(cursor, token, TOKEN_CAPACITY);
        }
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

// The records of a section, from the cursor on; the write position after them,
// or SECTION_DROPPED.
template <bool Told>
int32_t parse_records_as(Parse& p, const char*& cursor, const char* name, int32_t count,
                         const char* format, int32_t w) {
    for (int32_t record = 0; record < count; ++record) {
        if constexpr (Told) {
            p.record_took_what_follows = false;
            if (const char* first = skip_blank(cursor))
                p.record_sources.push_back({w, static_cast<int32_t>(p.lines.line_of(first))});
        }
        int32_t field = 0;
        for (const char* code = format; *code != '\0'; ++code) {
            const int32_t written =
                parse_field<Told>(p, *code, cursor, w, FieldPlace{name, record + 1, ++field});
            if (written != SECTION_DROPPED) {
                w += written;
                continue;
            }
            if (Told && cursor == nullptr)
                p.problems.error(p.line_at(nullptr), section_label(name),
                                 " the file ends in record ", record + 1, " of ", count,
                                 "; the section is dropped");
            return SECTION_DROPPED;
        }
    }
    return w;
}

// Whether anyone hears of the records is settled once per section.
int32_t parse_records(Parse& p, const char*& cursor, const char* name, int32_t count,
                      const char* format, int32_t w) {
    if (!format_reads_tokens(format)) return w;
    return p.telling() ? parse_records_as<true>(p, cursor, name, count, format, w)
                       : parse_records_as<false>(p, cursor, name, count, format, w);
}

// Problems of a section's header that the parse itself gets through. A name
// without its colon usually means the count before it was too small, so the
// parse has lost its step.
void check_header(Parse& p, SourcePosition name_at, const char* name, const char* count_at,
                  bool count_read, int32_t count, const char* format) {
    if (name[0] != '\0' && !section_name_form(name)) {
        p.problems.warning(name_at, "section name '", name,
                           "' does not end with ':'; if the count of the section before it is "
                           "less than its records, this and what follows are misread");
        p.lost_step = true;
        return;
    }
    if (!count_read)
        p.problems.error(p.line_at(count_at), section_label(name),
                         " its count is not a number; the section holds no records");
    else if (count < 0)
        p.problems.warning(p.line_at(count_at), section_label(name), " count ", count,
                           " reads no records");
    for (const char* code = format; *code != '\0'; ++code) {
        if (std::strchr("FILVS", *code) == nullptr)
            p.problems.warning(p.line_at(count_at), section_label(name), " format '", format,
                               "': '", *code,
                               "' is not a field code (F, I, L, V, S) and reads nothing");
    }
}

// "'a', 'b' and 'c'", at most `shown` of them, then "and N more".
std::string quoted_list(const std::vector<std::string>& names, std::size_t shown) {
    std::string text;
    const std::size_t listed = std::min(names.size(), shown);
    for (std::size_t i = 0; i < listed; ++i) {
        const bool last = i + 1 == listed && listed == names.size();
        text += (i == 0 ? "" : last ? " and " : ", ") + ("'" + names[i] + "'");
    }
    if (listed < names.size()) text += " and " + std::to_string(names.size() - listed) + " more";
    return text;
}

// Tells the stretch read out of step, now that its end is known: the section
// `in_step` on line `in_step_line` is read as written again, or (empty) the
// text ended out of step.
void close_stretch(Parse& p, const std::string& in_step, int64_t in_step_line) {
    MisreadStretch& m = p.stretch;
    std::string text =
        m.cause + ", so " +
        (m.lost.size() == 1 ? "section " + m.lost[0] + " is"
                            : "sections " + quoted_list(m.lost, m.lost.size()) + " are") +
        " lost";
    const int64_t to_line = in_step.empty() ? p.lines.line_of(nullptr) : in_step_line - 1;
    if (!m.misread.empty())
        text += " and " +
                (to_line > m.from_line ? "lines " + std::to_string(m.from_line) + " to " +
                                             std::to_string(to_line) + " are"
                                       : "line " + std::to_string(m.from_line) + " is") +
                " read as " + (m.misread.size() == 1 ? "the section " : "the sections ") +
                quoted_list(m.misread, 4);
    text += in_step.empty() ? "; the rest of the file is read out of step"
                            : "; from " + in_step + " on line " + std::to_string(in_step_line) +
                                  " on, sections are read as written";
    p.problems.error(m.at, text);
    m = MisreadStretch{};
}

// A section name in its form, with a count, where a name is expected: a parse
// that lost its step is back in it.
void note_section_read_out_of_step(Parse& p, const char* name, bool count_read,
                                   SourcePosition name_at) {
    if (!p.lost_step) return;
    if (!section_name_form(name) || !count_read) {
        if (p.stretch.open()) p.stretch.misread.push_back(name);
        return;
    }
    if (p.stretch.open()) close_stretch(p, name, name_at.value);
    p.lost_step = false;
}

// One section at s, the cursor on its name. Returns its next_offset, or
// SECTION_DROPPED when the text ends inside it or it does not fit the blob.
int32_t parse_section(Parse& p, const char*& cursor, int32_t s) {
    BlobBuilder& blob = p.blob;
    // Lines are counted forwards only, so the name's is taken first.
    const SourcePosition name_at =
        p.problems.listening() ? p.line_at(skip_blank(cursor)) : NO_POSITION;
    char name[TOKEN_CAPACITY];
    cursor = take_token(p, cursor, name, TOKEN_CAPACITY, {"section name"});
    const int32_t name_length = static_cast<int32_t>(std::strlen(name));
    const int32_t name_size = padded_size(name_length);
    if (!blob.fits(s, 12 + name_size)) return SECTION_DROPPED;
    blob.word(s, static_cast<uint32_t>(name_size));
    blob.text(s + 4, name, name_length);

    const char* count_at = p.problems.listening() ? skip_blank(cursor) : nullptr;
    int32_t count = 0; // a count token that is not a number reads 0
    char count_token[TOKEN_CAPACITY];
    cursor = take_token(p, cursor, count_token, TOKEN_CAPACITY, {"section count"});
    const bool count_read = cursor != nullptr && convert_int(count_token, count);
    blob.word(s + 4 + name_size, static_cast<uint32_t>(count));
    char format[FORMAT_CAPACITY];
    cursor = take_token(p, cursor, format, FORMAT_CAPACITY, {"format string"});
    if (!cursor) {
        if (p.telling())
            p.problems.error(name_at, section_label(name),
                             " the file ends before its count and format; the section is dropped");
        return SECTION_DROPPED;
    }
    if (p.problems.listening()) note_section_read_out_of_step(p, name, count_read, name_at);
    if (p.telling()) check_header(p, name_at, name, count_at, count_read, count, format);
    if (p.problems.listening()) p.sources.push_back({s, static_cast<int32_t>(name_at.value)});
    p.record_took_what_follows = false;

    const int32_t w = parse_records(p, cursor, name, count, format, s + 12 + name_size);
    if (w == SECTION_DROPPED) {
        if (cursor != nullptr)
            p.problems.error(name_at, section_label(name), " does not fit in the ",
                             SECTION_BLOB_CAPACITY,
                             " bytes a parsed file may take; it and the rest of the file are "
                             "dropped");
        if (!p.sources.empty() && p.sources.back().offset == s) p.sources.pop_back();
        return SECTION_DROPPED;
    }
    blob.word(s + 8 + name_size, static_cast<uint32_t>(w - s));
    if (p.problems.listening())
        p.last = {name, count, name_at.value, cursor, count > 0 && p.record_took_what_follows};
    return w - s;
}

// Opens the stretch that a closing token in the form of a section name starts.
// When the section's last record took a token meant to follow it, its count is
// more than its records; otherwise its own closing token is missing, and the
// error points where it was expected: after the section's last field.
void open_stretch(Parse& p, const char* closing, const char* closing_at) {
    const LastSection& s = p.last;
    const int64_t end_line = p.lines.line_of(s.end); // before closing_at: counted first
    const int64_t closing_line = p.lines.line_of(closing_at);
    const std::string taken = "'" + std::string(closing) + "' on line " +
                              std::to_string(closing_line) + " was taken for its closing token";
    MisreadStretch& m = p.stretch;
    m.lost = {closing};
    m.from_line = closing_line;
    if (s.took_what_follows) {
        m.at = at_line(s.line);
        m.cause = section_label(s.name.c_str()) + " its count " + std::to_string(s.count) +
                  " is more than its records: its last record took what follows them, and " + taken;
    } else {
        m.at = at_line(end_line);
        m.cause = section_label(s.name.c_str()) + " its closing token (" +
                  (p.closing_word.empty() ? std::string("END") : p.closing_word) +
                  ") is missing after its last record, which ends on this line: " + taken;
    }
}

// The closing token of the section just parsed; its text is not examined, but
// one in the form of a section name means the parse has lost its step: that
// section is lost, and what follows is read out of step (see MisreadStretch).
const char* skip_closing_token(Parse& p, const char* cursor) {
    char closing[TOKEN_CAPACITY];
    const char* at = p.problems.listening() ? skip_blank(cursor) : nullptr;
    cursor = read_token(cursor, closing, TOKEN_CAPACITY);
    if (at == nullptr) return cursor;
    if (!section_name_form(closing)) {
        if (!p.lost_step) p.closing_word = closing;
    } else if (!p.lost_step) {
        open_stretch(p, closing, at);
        p.lost_step = true;
    } else if (p.stretch.open()) {
        p.stretch.lost.push_back(closing);
    }
    return cursor;
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

SectionBlob parse_section_text(const char* text, std::string_view file) {
    FileDiagnostics problems(file);
    Parse p(text, problems);
    const char* cursor = text;
    int32_t s = 0;
    while (skip_blank(cursor) != nullptr) {
        const int32_t next_offset = parse_section(p, cursor, s);
        if (next_offset == SECTION_DROPPED) break;
        s += next_offset;
        if (skip_blank(cursor) == nullptr) break;
        cursor = skip_closing_token(p, cursor);
    }
    if (p.stretch.open()) close_stretch(p, {}, 0);
    SectionBlob blob = p.blob.finish(s);
    blob.sources = std::move(p.sources);
    blob.record_sources = std::move(p.record_sources);
    return blob;
}

SectionBlob parse_section_file(const std::string& path) {
    const FileImage image = read_whole_file(path);
    const char* text = reinterpret_cast<const char*>(image.bytes.data());
    if (FileDiagnostics problems(path); problems.listening()) {
        const std::size_t length = std::strlen(text);
        if (length < image.size)
            problems.warning(at_line(LineCounter(text).line_of(text + length)),
                             "the text ends at a NUL byte; the ", image.size - length,
                             " bytes from there on are not read");
    }
    SectionBlob blob = parse_section_text(text, path);
    blob.unreadable = !image.ok;
    return blob;
}

} // namespace walkers
