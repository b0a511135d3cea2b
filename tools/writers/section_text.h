// section_text.h - writing tagged section text files, with comments.
//
// A file is a run of sections: a name, a record count, a format string (one
// field code per field: I integer, F float, V four floats, S one token of text),
// the records, and a closing token. SectionText writes one, with "//" comment
// lines wherever the writer wants them, and keeps count of the bytes the file
// will parse into: 4 + padded name + 8 per section, the records' fields (4 bytes
// each, 16 per V, 4 + padded text per S), and a 4-byte terminator; a text of n
// characters pads to the next multiple of 4 above n. It throws
// std::runtime_error when a record does not match its section's format, a token
// would break the syntax, or sections are left open.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace walkers::writers {

// The bytes a record of `format` parses into, for formats of numbers only:
// 4 per I, L and F, 16 per V (a text field's size depends on its text).
constexpr int32_t fixed_record_bytes(std::string_view format) {
    int32_t bytes = 0;
    for (char code : format) {
        if (code == 'V')
            bytes += 16;
        else if (code == 'I' || code == 'L' || code == 'F')
            bytes += 4;
        else
            throw std::logic_error("no fixed size for field code " + std::string(1, code));
    }
    return bytes;
}

// One field of a record: its code and the text of its tokens.
struct Field {
    char code;
    std::vector<std::string> tokens;

    static Field integer(int32_t v);
    static Field vector(const std::array<double, 4>& v, int32_t decimals);
    // Each float as the shortest decimal that the loaders' scan reads back as
    // exactly that float (no exponent; -0 is written 0).
    static Field exact_vector(const std::array<float, 4>& v);
    static Field text(const std::string& v);
};

class SectionText {
public:
    void comment(const std::string& line); // "// line"
    void blank_line();
    void begin(const std::string& name, int32_t count, const std::string& format);
    // `note`, when given, follows the record as a comment on the same line.
    void record(const std::vector<Field>& fields, const std::string& note = "");
    void end(); // the closing token; every record announced must have been written

    std::string text() const;
    int32_t sections() const; // sections begun so far

private:
    std::string out_;
    int32_t sections_ = 0;
    std::string format_;
    int32_t expected_ = 0;
    int32_t written_ = 0;
    bool open_ = false;
};

} // namespace walkers::writers
