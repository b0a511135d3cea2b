#include "section_text.h"

#include <charconv>
#include <cstdio>
#include <stdexcept>

namespace walkers::writers {
namespace {

constexpr std::size_t MAX_TOKEN = 51;
constexpr std::size_t MAX_FORMAT = 31;
const char* const CLOSING_TOKEN = "END";

std::string number(double v, int32_t decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    std::string s = buffer;
    if (s.find_first_not_of("-0.") == std::string::npos)
        s = "0"; // no "-0.0" for values that round to zero
    return s;
}

std::string exact_number(float v) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed);
    if (result.ec != std::errc{}) throw std::runtime_error("a number too long to write");
    const std::string s(buffer, result.ptr);
    return s == "-0" ? "0" : s;
}

void check_token(const std::string& t) {
    if (t.empty() || t.size() > MAX_TOKEN || t.rfind("//", 0) == 0)
        throw std::runtime_error("bad token '" + t + "'");
    for (char c : t)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f')
            throw std::runtime_error("token with whitespace '" + t + "'");
}

} // namespace

Field Field::integer(int32_t v) {
    return {'I', {std::to_string(v)}};
}
Field Field::vector(const std::array<double, 4>& v, int32_t decimals) {
    Field f{'V', {}};
    for (double c : v)
        f.tokens.push_back(number(c, decimals));
    return f;
}
Field Field::exact_vector(const std::array<float, 4>& v) {
    Field f{'V', {}};
    for (float c : v)
        f.tokens.push_back(exact_number(c));
    return f;
}
Field Field::text(const std::string& v) {
    return {'S', {v}};
}

void SectionText::comment(const std::string& line) {
    if (line.find('\n') != std::string::npos) throw std::runtime_error("comment spans lines");
    out_ += line.empty() ? "//\n" : "// " + line + "\n";
}

void SectionText::blank_line() {
    out_ += "\n";
}

void SectionText::begin(const std::string& name, int32_t count, const std::string& format) {
    if (open_) throw std::runtime_error("section " + name + " begun inside another");
    check_token(name);
    check_token(format);
    if (format.size() > MAX_FORMAT || count < 0)
        throw std::runtime_error("bad header for section " + name);
    out_ += name + " " + std::to_string(count) + " " + format + "\n";
    ++sections_;
    format_ = format;
    expected_ = count;
    written_ = 0;
    open_ = true;
}

void SectionText::record(const std::vector<Field>& fields, const std::string& note) {
    if (!open_ || written_ >= expected_ || fields.size() != format_.size())
        throw std::runtime_error("record does not fit its section");
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].code != format_[i] && !(format_[i] == 'L' && fields[i].code == 'I'))
            throw std::runtime_error("field does not match format " + format_);
        // One space inside a field, three between fields, so records read in columns.
        std::string field;
        for (const std::string& t : fields[i].tokens) {
            check_token(t);
            field += (field.empty() ? "" : " ") + t;
        }
        line += (line.empty() ? "" : "   ") + field;
    }
    out_ += "  " + line + (note.empty() ? "" : "   // " + note) + "\n";
    ++written_;
}

void SectionText::end() {
    if (!open_ || written_ != expected_)
        throw std::runtime_error("section closed with records missing");
    out_ += std::string(CLOSING_TOKEN) + "\n";
    open_ = false;
}

std::string SectionText::text() const {
    if (open_) throw std::runtime_error("section left open");
    return out_;
}

int32_t SectionText::sections() const {
    return sections_;
}

} // namespace walkers::writers
