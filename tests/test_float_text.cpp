// Text to float: the grammar and exact rounding on hard cases, halfway points
// of random floats, and agreement with the C library (and std::from_chars where
// the standard library has it for float) on many random strings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#if defined(__cpp_lib_to_chars)
#include <charconv>
#endif

#include "assets/float_text.h"

using namespace walkers;

namespace {

constexpr uint32_t UNTOUCHED = 0x4640e400; // 12345.0f, what dst holds before a scan

uint32_t scanned_bits(const std::string& text, bool* accepted = nullptr) {
    float value = float_from_bits(UNTOUCHED);
    const bool ok = scan_float(text.c_str(), value);
    if (accepted) *accepted = ok;
    return float_bits(value);
}

std::string repeat(char c, int n) {
    return std::string(static_cast<std::size_t>(n), c);
}

struct Case {
    std::string text;
    uint32_t bits; // UNTOUCHED for a text that is not a number
};

TEST(FloatText, HardCasesRoundExactly) {
    const std::string two_pow_minus_150 =
        "7.00649232162408535461864791644958065640130970938257885878534141944895541342930300"
        "743319094181060791015625e-46";
    const Case cases[] = {
        // Signs, zeros and plain values.
        {"0", 0x00000000},
        {"-0", 0x80000000},
        {"+0.0e5", 0x00000000},
        {"1", 0x3f800000},
        {"+1", 0x3f800000},
        {"-2.5", 0xc0200000},
        {"0.1", 0x3dcccccd},
        {".5", 0x3f000000},
        {"2.", 0x40000000},
        // Only the leading number counts; '.' is the point in every locale.
        {"1.5e1x", 0x41700000},
        {"1,5", 0x3f800000},
        {"1e", 0x3f800000},
        {"3e+x", 0x40400000},
        {"2.5E-1", 0x3e800000},
        // Ties at 2^24 go to the even neighbour; anything past the tie goes up.
        {"16777216", 0x4b800000},
        {"16777217", 0x4b800000},
        {"16777218", 0x4b800001},
        {"16777219", 0x4b800002},
        {"16777217.000000000000000000001", 0x4b800001},
        {"16777217." + repeat('0', 200), 0x4b800000},
        {"16777217." + repeat('0', 200) + "1", 0x4b800001},
        {"16777216.999999999999999999999", 0x4b800000},
        // The top of the range.
        {"340282346638528859811704183484516925440", 0x7f7fffff},
        {"340282356779733661637539395458142568447", 0x7f7fffff},
        {"340282356779733661637539395458142568448", 0x7f800000},
        {"3.4028236e38", 0x7f800000},
        {"1e39", 0x7f800000},
        {"-1e39", 0xff800000},
        {"1e000000000000000000000000000038", 0x7e967699},
        {"1e99999999999999999999", 0x7f800000},
        // The bottom: subnormals and the ties around them.
        {"1.17549435e-38", 0x00800000},
        {"1.1754942807573642917278829910357665133228589927589904276829631184250030649651730385"
         "585324256680905818939208984375e-38",
         0x00800000},
        {"1e-40", 0x000116c2},
        {"1.4e-45", 0x00000001},
        {"1.40129846432481707092372958328991613128026194187651577175706828388979108268586060"
         "148663818836212158203125e-45",
         0x00000001},
        {two_pow_minus_150, 0x00000000},
        {"-" + two_pow_minus_150, 0x80000000},
        {two_pow_minus_150.substr(0, two_pow_minus_150.size() - 4) + "1e-46", 0x00000001},
        {"7.0064923216240854e-46", 0x00000001},
        {"7.006492321624085e-46", 0x00000000},
        {"2.101947696487225606385594374934874196920392912814773657635602425834686624028790902"
         "229957282543182373046875e-45",
         0x00000002},
        {"1e-46", 0x00000000},
        {"1e-99999999999999999999", 0x00000000},
        {"0e99999999999", 0x00000000},
        // Long digit strings and leading zeros on both sides of the point.
        {"0." + repeat('0', 51) + "1e52", 0x3f800000},
        {"1" + repeat('0', 50) + "e-50", 0x3f800000},
        {"000000000000000000000000000000000000000000000000000000000000000000000000001.25",
         0x3fa00000},
        {"3.14159265358979323846264338327950288419716939937510582097494459230781640628620899",
         0x40490fdb},
        // Hexadecimal.
        {"0x1.8p1", 0x40400000},
        {"0X.8P1", 0x3f800000},
        {"0x1.8p", 0x3fc00000},
        {"0x1p-149", 0x00000001},
        {"0x1p-150", 0x00000000},
        {"0x1.8p-149", 0x00000002},
        {"0x1.000001p0", 0x3f800000},
        {"0x1.0000011p0", 0x3f800001},
        {"0x1.000003p0", 0x3f800002},
        {"0x1.fffffefp127", 0x7f7fffff},
        {"0x1.ffffffp127", 0x7f800000},
        {"0x1p200", 0x7f800000},
        {"0x1p-200", 0x00000000},
        {"0x123456789abcdef0123p-80", 0x3b91a2b4},
        {"0x", 0x00000000},
        {"-0xg", 0x80000000},
        {"0xinf", 0x00000000},
        // Infinities and NaN.
        {"inf", 0x7f800000},
        {"-Infinity", 0xff800000},
        {"info", 0x7f800000},
        {"nan", 0x7fc00000},
        {"-NaN(123)", 0xffc00000},
        // Not numbers: dst keeps its value.
        {"", UNTOUCHED},
        {"-", UNTOUCHED},
        {"+-1", UNTOUCHED},
        {"-+1", UNTOUCHED},
        {".", UNTOUCHED},
        {"-.e5", UNTOUCHED},
        {"e5", UNTOUCHED},
        {"abc", UNTOUCHED},
        {"in", UNTOUCHED},
        {" 1", UNTOUCHED},
    };
    for (const Case& c : cases) {
        bool accepted = false;
        const uint32_t bits = scanned_bits(c.text, &accepted);
        EXPECT_EQ(bits, c.bits) << '"' << c.text << '"';
        EXPECT_EQ(accepted, c.bits != UNTOUCHED) << '"' << c.text << '"';
    }
}

// The exact decimal expansion of a double (the C library prints it exactly).
std::string exact_text(double value) {
    char text[200];
    std::snprintf(text, sizeof text, "%.120e", value);
    return text;
}

// For random floats f below FLT_MAX and their successor g: the exact halfway
// point goes to the even one of the two, the nearest doubles on either side of
// it go to g and to f, and f's shortest nine-digit form comes back as f.
TEST(FloatText, HalfwayPointsOfRandomFloats) {
    std::mt19937 random(20240607);
    for (int i = 0; i < 10000; ++i) {
        const uint32_t f_bits = random() % 0x7f7fffffu; // positive, finite, below FLT_MAX
        const uint32_t g_bits = f_bits + 1;
        const double f = static_cast<double>(float_from_bits(f_bits));
        const double g = static_cast<double>(float_from_bits(g_bits));
        const double halfway = f + (g - f) / 2; // exact: 25 significant bits
        const uint32_t even = (f_bits & 1u) == 0 ? f_bits : g_bits;
        ASSERT_EQ(scanned_bits(exact_text(halfway)), even) << exact_text(halfway);
        ASSERT_EQ(scanned_bits(exact_text(std::nextafter(halfway, g))), g_bits);
        ASSERT_EQ(scanned_bits(exact_text(std::nextafter(halfway, f))), f_bits);
        ASSERT_EQ(scanned_bits("-" + exact_text(std::nextafter(halfway, g))), g_bits | 0x80000000u);
        char shortest[40];
        std::snprintf(shortest, sizeof shortest, "%.8e", f);
        ASSERT_EQ(scanned_bits(shortest), f_bits) << shortest;
    }
}

// A random number text: decimal or hex digits around an optional point, an
// optional exponent, up to 40 digits in all, from tiny to huge.
std::string random_number_text(std::mt19937& random) {
    const bool hex = random() % 4 == 0;
    const char* digits = hex ? "0123456789abcdef" : "0123456789";
    const uint32_t base = hex ? 16 : 10;
    std::string text = random() % 2 ? "-" : "";
    if (hex) text += "0x";
    const uint32_t before = random() % 20;
    const uint32_t after = random() % 20;
    for (uint32_t k = 0; k < before; ++k)
        text += digits[random() % base];
    if (after > 0 || before == 0) {
        text += '.';
        for (uint32_t k = 0; k < std::max(after, 1u); ++k)
            text += digits[random() % base];
    }
    if (random() % 3 != 0) {
        text += hex ? 'p' : 'e';
        const int range = hex ? 300 : 90;
        text += std::to_string(static_cast<int>(random() % (2 * range + 1)) - range);
    }
    return text;
}

#if defined(__cpp_lib_to_chars)
// std::from_chars has no sign but '-' and no "0x": hand it what follows them.
uint32_t from_chars_bits(const std::string& text) {
    const char* p = text.c_str();
    const bool negative = *p == '-';
    if (negative) ++p;
    const bool hex = p[0] == '0' && p[1] == 'x';
    if (hex) p += 2;
    const char* end = text.c_str() + text.size();
    float value = 0.0f;
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto [ptr, ec] = std::from_chars(p, end, value, format);
    if (ec == std::errc::result_out_of_range) { // value untouched: overflow or underflow?
        double wide = 0.0;
        std::from_chars(p, end, wide, format);
        value = wide > 1.0 ? INFINITY : 0.0f;
    }
    return float_bits(negative ? -value : value);
}
#endif

// strtof is the reference for decimal texts only: one C library loses the sign
// of a hex text that underflows to zero.
TEST(FloatText, RandomTextsAgreeWithTheLibrary) {
    std::mt19937 random(7);
    for (int i = 0; i < 50000; ++i) {
        const std::string text = random_number_text(random);
        const uint32_t bits = scanned_bits(text);
        if (text.find('x') == std::string::npos) {
            ASSERT_EQ(bits, float_bits(std::strtof(text.c_str(), nullptr))) << text;
        }
#if defined(__cpp_lib_to_chars)
        ASSERT_EQ(bits, from_chars_bits(text)) << text;
#endif
    }
}

} // namespace
