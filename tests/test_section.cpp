// Tagged section text: the blob bytes, token rules, number conversions and
// limits of the parser (assets/section.h), and the accessors' refusal to read
// past a damaged blob (assets/section_blob.h).
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/float_text.h"
#include "assets/section.h"
#include "fresh_state.h"

using namespace walkers;

namespace {

int32_t word_at(const SectionBlob& blob, std::size_t at) {
    int32_t value = 0;
    std::memcpy(&value, blob.bytes.data() + at, 4);
    return value;
}

uint32_t bits(float f) {
    return float_bits(f);
}

// The blob of "A: 2 IF 7 1.5 8 2.5", built by hand.
std::vector<uint8_t> example_blob() {
    std::vector<int32_t> words = {
        4, 0, 2, 32, 7, static_cast<int32_t>(bits(1.5f)), 8, static_cast<int32_t>(bits(2.5f)), -1};
    std::vector<uint8_t> bytes(words.size() * 4);
    std::memcpy(bytes.data(), words.data(), bytes.size());
    bytes[4] = 'A';
    bytes[5] = ':';
    return bytes;
}

int32_t first_int(const std::string& text) {
    const SectionBlob blob = parse_section_text(text.c_str());
    return record_int(section_records(first_section(blob)), 0);
}

float first_float(const std::string& text) {
    const SectionBlob blob = parse_section_text(text.c_str());
    return record_float(section_records(first_section(blob)), 0);
}

std::vector<std::string> section_names(const SectionBlob& blob) {
    std::vector<std::string> names;
    for (SectionView s = first_section(blob); section_name_size(s) != -1; s = next_section(s))
        names.emplace_back(section_name(s));
    return names;
}

std::string numbers(int32_t n) {
    std::string text;
    for (int32_t k = 0; k < n; ++k)
        text += std::to_string(k) + " ";
    return text;
}

} // namespace

TEST(SectionBlob, ExampleSectionBytes) {
    const std::vector<uint8_t> expected = example_blob();
    EXPECT_EQ(parse_section_text("A: 2 IF 7 1.5 8 2.5 end").bytes, expected);
    // The closing token may be left out after the last section.
    EXPECT_EQ(parse_section_text("A: 2 IF 7 1.5 8 2.5").bytes, expected);
    EXPECT_EQ(parse_section_text("A: 2 IF 7 1.5 8 2.5\n").bytes, expected);
    EXPECT_EQ(parse_section_text("A:\r\n2\tIF\v7\f1.5 8 2.5\r\nend\r\n").bytes, expected);
    // An unknown field code reads nothing: IxF is IF.
    EXPECT_EQ(parse_section_text("A: 2 IxF 7 1.5 8 2.5 end").bytes, expected);
    // Comments before and after the closing token, and one ending the text.
    EXPECT_EQ(parse_section_text("A: 2 IF // two records\n7 1.5 8 2.5 // c\nend // last").bytes,
              expected);
}

TEST(SectionBlob, ClosingTokenSeparatesSections) {
    SectionBlob blob = parse_section_text("A: 1 I 5 x B: 1 I 6");
    ASSERT_EQ(section_names(blob), (std::vector<std::string>{"A:", "B:"}));
    SectionView b = next_section(first_section(blob));
    EXPECT_EQ(b.offset, 20);
    EXPECT_EQ(record_int(section_records(b), 0), 6);

    // Without x, B: closes the first section and 1 names the next, whose count
    // token I is no number.
    blob = parse_section_text("A: 1 I 5 B: 1 I 6");
    ASSERT_EQ(section_names(blob), (std::vector<std::string>{"A:", "1"}));
    SectionView one = next_section(first_section(blob));
    EXPECT_EQ(section_count(one), 0);
    EXPECT_EQ(section_records_size(one), 0);
    EXPECT_EQ(blob.bytes.size(), 20u + 16u + 4u);
}

TEST(SectionBlob, ZeroAndNegativeCountsReadNoRecords) {
    for (const char* count : {"0", "-3", "none"}) {
        const std::string text = std::string("AB: ") + count + " IF end C: 1 I 9";
        const SectionBlob blob = parse_section_text(text.c_str());
        SectionView s = first_section(blob);
        EXPECT_EQ(word_at(blob, 12), 16) << count; // next_offset = 12 + name_size
        EXPECT_EQ(section_records_size(s), 0);
        EXPECT_EQ(section_count(s), std::strcmp(count, "-3") == 0 ? -3 : 0);
        EXPECT_EQ(std::string(section_name(next_section(s))), "C:");
    }
}

TEST(SectionBlob, TextFieldsArePadded) {
    const SectionBlob blob = parse_section_text("T: 3 S ab abcd a//b");
    const uint8_t* r = section_records(first_section(blob));
    const std::vector<uint8_t> expected = {4, 0,   0,   0,   'a', 'b', 0, 0, 8, 0, 0,
                                           0, 'a', 'b', 'c', 'd', 0,   0, 0, 0, 8, 0,
                                           0, 0,   'a', '/', '/', 'b', 0, 0, 0, 0};
    ASSERT_EQ(section_records_size(first_section(blob)), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(std::vector<uint8_t>(r, r + expected.size()), expected);
    EXPECT_EQ(padded_size(11), 12);
    EXPECT_EQ(padded_size(14), 16);
}

TEST(SectionBlob, TextEndingInsideASectionDropsIt) {
    const std::string complete = "A: 1 I 5 x ";
    const std::vector<uint8_t> only_a = parse_section_text(complete.c_str()).bytes;
    ASSERT_EQ(only_a.size(), 24u);
    for (const char* rest :
         {"B:", "B: 2", "B: 2 V", "B: 1 V 1 2", "B: 1 V 1 2 3 // 4", "B: 1 S", "B: 2 I 1"}) {
        EXPECT_EQ(parse_section_text((complete + rest).c_str()).bytes, only_a) << rest;
    }
    // Nothing at all, or only blanks and comments: the terminator alone.
    for (const char* empty : {"", "  \n\t", "// only a comment", "// a\n  // b\n"})
        EXPECT_EQ(parse_section_text(empty).bytes, (std::vector<uint8_t>{0xff, 0xff, 0xff, 0xff}));
}

TEST(SectionNumbers, IntegersReadTheirLeadingDigits) {
    EXPECT_EQ(first_int("N: 1 I 12ab"), 12);
    EXPECT_EQ(first_int("N: 1 I ab"), 0);
    EXPECT_EQ(first_int("N: 1 I -7"), -7);
    EXPECT_EQ(first_int("N: 1 L +42x"), 42);
    EXPECT_EQ(first_int("N: 1 I 0x10"), 0);
    EXPECT_EQ(first_int("N: 1 I --3"), 0);
    EXPECT_EQ(first_int("N: 1 I 3.9"), 3);
    // Values beyond 32 bits keep their low 32 bits.
    EXPECT_EQ(first_int("N: 1 L 4294967297"), 1);
    EXPECT_EQ(first_int("N: 1 I 2147483648"), -2147483647 - 1);
    EXPECT_EQ(first_int("N: 1 I -2147483649"), 2147483647);
    EXPECT_EQ(first_int("N: 1 L 100000000000000000000000"), -159383552);
}

TEST(SectionNumbers, FloatsReadLikeStrtof) {
    EXPECT_EQ(first_float("N: 1 F 1.5e1x"), 15.0f);
    EXPECT_EQ(first_float("N: 1 F abc"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F -0.25"), -0.25f);
    EXPECT_EQ(first_float("N: 1 F .5"), 0.5f);
    EXPECT_EQ(first_float("N: 1 F 2."), 2.0f);
    EXPECT_EQ(first_float("N: 1 F 1e"), 1.0f);
    EXPECT_EQ(first_float("N: 1 F 3e+x"), 3.0f);
    EXPECT_EQ(first_float("N: 1 F 0.1"), 0.1f);
    EXPECT_EQ(first_float("N: 1 F 0x1.8p1"), 3.0f);
    EXPECT_EQ(first_float("N: 1 F 0xg"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F 0xinf"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F +-1"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F 1,5"), 1.0f); // the decimal point is always '.'
    EXPECT_EQ(first_float("N: 1 F -inf"), -INFINITY);
    EXPECT_EQ(first_float("N: 1 F INFINITY"), INFINITY);
    EXPECT_TRUE(std::isnan(first_float("N: 1 F nan")));
    // Out of range: overflow gives an infinity, underflow zero.
    EXPECT_EQ(first_float("N: 1 F 1e39"), INFINITY);
    EXPECT_EQ(first_float("N: 1 F -1e39"), -INFINITY);
    EXPECT_EQ(first_float("N: 1 F 1e-50"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F 0.0000000000000000000000000000000000000000000000001"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F 1e99999999999999"), INFINITY);
    EXPECT_EQ(first_float("N: 1 F 0x1p200"), INFINITY);
    EXPECT_EQ(first_float("N: 1 F 0x1p-200"), 0.0f);
    EXPECT_EQ(first_float("N: 1 F 1e-40"), 1e-40f); // subnormal, still in range
}

TEST(SectionLimits, LongTokensAreCut) {
    const std::string long_name(60, 'N');
    SectionBlob blob = parse_section_text((long_name + " 1 I 5").c_str());
    SectionView s = first_section(blob);
    EXPECT_EQ(section_name_size(s), 52);
    EXPECT_EQ(std::string(section_name(s)), long_name.substr(0, 51));
    EXPECT_EQ(section_count(s), 1); // the cut-off rest was not read as the count
    EXPECT_EQ(record_int(section_records(s), 0), 5);

    blob = parse_section_text(("T: 1 S " + std::string(70, 'x') + " end").c_str());
    const uint8_t* r = section_records(first_section(blob));
    EXPECT_EQ(record_int(r, 0), 52);
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(r + 4)), 51u);

    blob = parse_section_text(("N: 1 I " + std::string(60, '1')).c_str());
    EXPECT_EQ(section_count(first_section(blob)), 1);

    // A format string keeps 31 codes: the 32nd, an I, is cut off, so the record
    // is empty, 5 closes the section and B: follows.
    blob = parse_section_text(("A: 1 " + std::string(31, 'x') + "I 5 B: 0 I").c_str());
    EXPECT_EQ(section_names(blob), (std::vector<std::string>{"A:", "B:"}));
    EXPECT_EQ(section_records_size(first_section(blob)), 0);
}

TEST(SectionLimits, SectionBeyondCapacityIsDropped) {
    // 16 bytes of header, 4 per record and the terminator: 4995 records fill the
    // 20000 bytes exactly, one more does not fit.
    SectionBlob blob = parse_section_text(("A: 4995 I " + numbers(4995)).c_str());
    ASSERT_EQ(blob.bytes.size(), 20000u);
    EXPECT_EQ(record_int(section_records(first_section(blob)), 4 * 4994), 4994);
    EXPECT_EQ(word_at(blob, 19996), -1);
    blob = parse_section_text(("A: 4996 I " + numbers(4996)).c_str());
    EXPECT_EQ(blob.bytes.size(), 4u);

    // The sections before the one that does not fit are kept; nothing after it.
    const std::string text =
        "A: 4000 I " + numbers(4000) + "end B: 2000 I " + numbers(2000) + "end C: 0 I";
    blob = parse_section_text(text.c_str());
    EXPECT_EQ(section_names(blob), (std::vector<std::string>{"A:"}));
    EXPECT_EQ(blob.bytes.size(), 16016u + 4u);

    // A huge count of empty records costs nothing and stores nothing.
    blob = parse_section_text("E: 2147483647 xyz end F: 1 I 3");
    EXPECT_EQ(section_names(blob), (std::vector<std::string>{"E:", "F:"}));
}

TEST(SectionTokenizer, NonePositionsStoreNothing) {
    char dst[4] = {'k', 'e', 'e', 'p'};
    EXPECT_EQ(read_token(nullptr, dst, 4), nullptr);
    EXPECT_EQ(read_token("  // c", dst, 4), nullptr);
    int32_t i = 77;
    float f = 7.0f;
    EXPECT_EQ(read_int(nullptr, i), nullptr);
    EXPECT_EQ(read_float("", f), nullptr);
    EXPECT_EQ(std::string(dst, 4), "keep");
    EXPECT_EQ(i, 77);
    EXPECT_EQ(f, 7.0f);
    const char* text = "abc def";
    EXPECT_EQ(read_token(text, dst, 4), text + 3);
    EXPECT_STREQ(dst, "abc");
    EXPECT_EQ(read_int(text, i), text + 3); // not a number: untouched
    EXPECT_EQ(i, 77);
    EXPECT_EQ(skip_blank(" \n// x\n  y"), std::string_view(" \n// x\n  y").data() + 9);
}

TEST(SectionAccessors, DamagedBlobsReadAsTerminator) {
    const std::vector<uint8_t> good = example_blob();
    // Every prefix of a good blob: the walk stops without reading past it.
    for (std::size_t n = 0; n <= good.size(); ++n) {
        const SectionBlob blob{std::vector<uint8_t>(good.begin(), good.begin() + n)};
        SectionView s = first_section(blob);
        const bool whole = n == good.size();
        EXPECT_EQ(section_name_size(s), whole ? 4 : -1) << n;
        EXPECT_EQ(section_records(s) != nullptr, whole);
        EXPECT_EQ(section_name_size(next_section(s)), -1);
    }
    // A next_offset that points past the end, or below the header.
    for (int32_t next : {36, 1 << 30, 8, -4, 30}) {
        SectionBlob blob{good};
        std::memcpy(blob.bytes.data() + 12, &next, 4);
        EXPECT_EQ(section_name_size(first_section(blob)), -1) << next;
        EXPECT_EQ(section_records_size(first_section(blob)), 0);
    }
    // A name with no NUL inside its size, and an absurd name size.
    SectionBlob blob{good};
    blob.bytes[6] = 'x';
    blob.bytes[7] = 'y';
    EXPECT_EQ(section_name_size(first_section(blob)), -1);
    blob = SectionBlob{good};
    const int32_t huge = 0x7ffffffc;
    std::memcpy(blob.bytes.data(), &huge, 4);
    EXPECT_STREQ(section_name(first_section(blob)), "");
    EXPECT_EQ(section_count(SectionView{&blob, -8}), 0);
    EXPECT_EQ(section_name_size(SectionView{nullptr, 0}), -1);
}

TEST(SectionFile, ReadsFilesAndRefusesMissingOnes) {
    namespace fs = std::filesystem;
    const walkers::testing::ScratchDir scratch("section");
    const fs::path& dir = scratch.path();
    const fs::path file = dir / "s.txt";
    {
        std::ofstream out(file, std::ios::binary);
        const char text[] = "A: 2 IF 7 1.5 8 2.5 end\0B: 1 I 6";
        out.write(text, sizeof text - 1); // the text ends at its NUL
    }
    EXPECT_EQ(parse_section_file(file.string()).bytes, example_blob());

    std::vector<fs::path> unreadable = {dir / "missing.txt", dir};
    if (fs::exists("/dev/zero")) unreadable.emplace_back("/dev/zero"); // endless: refused
    for (const fs::path& bad : unreadable) {
        const walkers::testing::HeardProblems heard;
        const SectionBlob blob = parse_section_file(bad.string());
        EXPECT_EQ(blob.bytes, (std::vector<uint8_t>{0xff, 0xff, 0xff, 0xff}));
        EXPECT_EQ(heard.log().unreadable_files(), std::vector<std::string>{bad.string()});
        EXPECT_EQ(heard.log().diagnostics().size(), 1u) << heard.text();
    }
}
