// float_text.cpp - exact text-to-float conversion.
//
// A number is read into an exact ratio of two integers, numerator / denominator
// (decimal: digits x 10^e; hex: bits x 2^e), and that ratio is rounded to a float
// by long division: scaled by 2^s so that the quotient has 24 significant bits
// (fewer below the normal range), the remainder decides the rounding. Every step
// is integer arithmetic on fixed-size big integers, so the bits cannot depend on
// the platform's floating point or its library.
#include "assets/float_text.h"

#include <algorithm>
#include <array>

namespace walkers {

namespace {

constexpr uint32_t SIGN_BIT = 0x80000000u;
constexpr uint32_t INFINITY_BITS = 0x7f800000u;
constexpr uint32_t QUIET_NAN_BITS = 0x7fc00000u;
constexpr uint32_t HIDDEN_BIT = 1u << 23;
constexpr int32_t MANTISSA_BITS = 24;
constexpr int32_t MAX_BIASED_EXPONENT = 255;
// The scale 2^s at which the smallest subnormal, 2^-149, is the quotient 1.
constexpr int32_t SUBNORMAL_SCALE = 149;

// Decimal digits kept exactly. Halfway points between floats have at most 113
// significant digits, so a longer string is kept as its first MAX_DIGITS digits
// and, when any dropped digit is not 0, one more digit 1: that lies on the same
// side of every halfway point as the full string.
constexpr int32_t MAX_DIGITS = 120;
// Hex digits kept exactly (60 bits); the rest collapse into a sticky bit alike.
constexpr int32_t MAX_HEX_DIGITS = 15;
// Exponents are read up to this size; anything larger is far out of range.
constexpr int64_t EXPONENT_CLAMP = 100000;

// Decimal range: a value in [10^(L-1), 10^L) with L > 39 is above FLT_MAX, one
// with L < -45 is below 10^-46, less than half the smallest subnormal.
constexpr int64_t MAX_DECIMAL_MAGNITUDE = 39;
constexpr int64_t MIN_DECIMAL_MAGNITUDE = -45;
// Binary range: a value in [2^(B-1), 2^B) with B > 128 is an infinity, one with
// B <= -150 is below half the smallest subnormal.
constexpr int64_t MAX_BINARY_MAGNITUDE = 128;
constexpr int64_t MIN_BINARY_MAGNITUDE = -150;

// Unsigned integers of up to 768 bits, least significant limb first. The range
// checks above bound every operand below 600 bits (10^166 times 2^25 at most).
constexpr int32_t BIG_LIMBS = 24;

struct BigInt {
    std::array<uint32_t, BIG_LIMBS> limb{};
    int32_t size = 0; // limbs in use; the top one is not 0
};

void trim(BigInt& a) {
    while (a.size > 0 && a.limb[static_cast<std::size_t>(a.size - 1)] == 0)
        --a.size;
}

// a = a * factor + addend. Growth past the capacity is dropped rather than
// written out of bounds; the range checks keep it from happening.
void multiply_add(BigInt& a, uint32_t factor, uint32_t addend) {
    uint64_t carry = addend;
    for (int32_t i = 0; i < a.size; ++i) {
        const uint64_t v = uint64_t{a.limb[static_cast<std::size_t>(i)]} * factor + carry;
        a.limb[static_cast<std::size_t>(i)] = static_cast<uint32_t>(v);
        carry = v >> 32;
    }
    if (carry != 0 && a.size < BIG_LIMBS)
        a.limb[static_cast<std::size_t>(a.size++)] = static_cast<uint32_t>(carry);
}

BigInt big_one() {
    BigInt a;
    a.limb[0] = 1;
    a.size = 1;
    return a;
}

void multiply_by_power_of_ten(BigInt& a, int64_t exponent) {
    for (; exponent >= 9; exponent -= 9)
        multiply_add(a, 1000000000u, 0);
    for (; exponent > 0; --exponent)
        multiply_add(a, 10u, 0);
}

void shift_left(BigInt& a, int32_t bits) {
    if (a.size == 0 || bits <= 0) return;
    const int32_t limbs = bits / 32;
    const int32_t rest = bits % 32;
    const int32_t size = std::min(a.size + limbs + 1, BIG_LIMBS);
    for (int32_t i = size - 1; i >= 0; --i) {
        const int32_t from = i - limbs;
        const uint32_t high =
            from >= 0 && from < a.size ? a.limb[static_cast<std::size_t>(from)] : 0;
        const uint32_t low =
            from - 1 >= 0 && from - 1 < a.size ? a.limb[static_cast<std::size_t>(from - 1)] : 0;
        a.limb[static_cast<std::size_t>(i)] =
            rest == 0 ? high : (high << rest) | (low >> (32 - rest));
    }
    a.size = size;
    trim(a);
}

int32_t compare(const BigInt& a, const BigInt& b) {
    if (a.size != b.size) return a.size < b.size ? -1 : 1;
    for (int32_t i = a.size - 1; i >= 0; --i) {
        const uint32_t x = a.limb[static_cast<std::size_t>(i)];
        const uint32_t y = b.limb[static_cast<std::size_t>(i)];
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// a -= b, for a >= b.
void subtract(BigInt& a, const BigInt& b) {
    int64_t borrow = 0;
    for (int32_t i = 0; i < a.size; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        int64_t v = int64_t{a.limb[k]} - (i < b.size ? int64_t{b.limb[k]} : 0) - borrow;
        borrow = v < 0 ? 1 : 0;
        a.limb[k] = static_cast<uint32_t>(v + (borrow << 32));
    }
    trim(a);
}

int32_t bit_length(const BigInt& a) {
    if (a.size == 0) return 0;
    int32_t bits = 32 * (a.size - 1);
    for (uint32_t top = a.limb[static_cast<std::size_t>(a.size - 1)]; top != 0; top >>= 1)
        ++bits;
    return bits;
}

void shift_right_one(BigInt& a) {
    for (int32_t i = 0; i < a.size; ++i) {
        const std::size_t k = static_cast<std::size_t>(i);
        const uint32_t carry = i + 1 < a.size ? a.limb[k + 1] << 31 : 0;
        a.limb[k] = a.limb[k] >> 1 | carry;
    }
    trim(a);
}

// numerator / denominator for a quotient below 2^25; the remainder stays in
// numerator.
uint32_t divide(BigInt& numerator, const BigInt& denominator) {
    BigInt shifted = denominator;
    shift_left(shifted, MANTISSA_BITS);
    uint32_t quotient = 0;
    for (int32_t bit = MANTISSA_BITS; bit >= 0; --bit) {
        if (compare(numerator, shifted) >= 0) {
            subtract(numerator, shifted);
            quotient |= 1u << bit;
        }
        shift_right_one(shifted);
    }
    return quotient;
}

// The bits of the float nearest numerator / denominator (both above 0), ties
// to even.
uint32_t round_ratio(const BigInt& numerator, const BigInt& denominator) {
    // The ratio lies in (2^(b-1), 2^(b+1)); at the scale 2^s it is in (2^23, 2^25).
    const int32_t b = bit_length(numerator) - bit_length(denominator);
    int32_t s = std::min(MANTISSA_BITS - b, SUBNORMAL_SCALE);
    for (;;) {
        BigInt n = numerator;
        BigInt d = denominator;
        shift_left(s >= 0 ? n : d, s >= 0 ? s : -s);
        uint32_t q = divide(n, d);
        if (q >= 1u << MANTISSA_BITS) { // one bit too many: halve the scale
            --s;
            continue;
        }
        shift_left(n, 1); // twice the remainder against the divisor
        const int32_t half = compare(n, d);
        if (half > 0 || (half == 0 && (q & 1u) != 0)) ++q;
        if (q == 1u << MANTISSA_BITS) { // rounded up to the next power of two
            q >>= 1;
            --s;
        }
        if (q < HIDDEN_BIT) return q; // subnormal (s is SUBNORMAL_SCALE) or zero
        const int32_t biased = SUBNORMAL_SCALE + 1 - s;
        if (biased >= MAX_BIASED_EXPONENT) return INFINITY_BITS;
        return static_cast<uint32_t>(biased) << 23 | (q - HIDDEN_BIT);
    }
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int32_t hex_value(char c) {
    if (is_digit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool starts_with_word(const char* p, const char* word) {
    for (; *word != '\0'; ++p, ++word) {
        if (lower(*p) != *word) return false;
    }
    return true;
}

// An optional exponent after a mantissa: mark, optional sign, digits. Without
// digits the mark is not part of the number and the exponent is 0.
int64_t scan_exponent(const char* p, char mark) {
    if (lower(*p) != mark) return 0;
    ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    int64_t exponent = 0;
    for (; is_digit(*p); ++p) {
        if (exponent < EXPONENT_CLAMP) exponent = exponent * 10 + (*p - '0');
    }
    return negative ? -exponent : exponent;
}

// Digits of a mantissa in base 10 or 16, with an optional point. The significant
// digits go into value (up to `keep` of them); `point` counts the significant
// digit positions before the point, negative for zeros right after it.
struct Mantissa {
    bool found = false; // at least one digit
    BigInt value;
    int32_t kept = 0;
    bool dropped_nonzero = false;
    int64_t point = 0;
    const char* end = nullptr;
};

Mantissa scan_mantissa(const char* p, uint32_t base, int32_t keep) {
    Mantissa m;
    bool after_point = false;
    for (;; ++p) {
        if (*p == '.' && !after_point) {
            after_point = true;
            continue;
        }
        const int32_t digit = base == 16 ? hex_value(*p) : (is_digit(*p) ? *p - '0' : -1);
        if (digit < 0) break;
        m.found = true;
        if (m.kept == 0 && digit == 0) { // a leading zero
            if (after_point) --m.point;
            continue;
        }
        if (!after_point) ++m.point;
        if (m.kept < keep) {
            multiply_add(m.value, base, static_cast<uint32_t>(digit));
            ++m.kept;
        } else if (digit != 0) {
            m.dropped_nonzero = true;
        }
    }
    m.end = p;
    return m;
}

// Kept digits plus, for dropped ones that were not all 0, one more nonzero digit.
void add_sticky_digit(Mantissa& m, uint32_t base) {
    if (!m.dropped_nonzero) return;
    multiply_add(m.value, base, 1);
    ++m.kept;
}

bool scan_decimal(const char* p, uint32_t& bits) {
    Mantissa m = scan_mantissa(p, 10, MAX_DIGITS);
    if (!m.found) return false;
    if (m.kept == 0) {
        bits = 0;
        return true;
    }
    add_sticky_digit(m, 10);
    const int64_t magnitude = m.point + scan_exponent(m.end, 'e');
    if (magnitude > MAX_DECIMAL_MAGNITUDE) {
        bits = INFINITY_BITS;
    } else if (magnitude < MIN_DECIMAL_MAGNITUDE) {
        bits = 0;
    } else {
        const int64_t exponent = magnitude - m.kept; // value = digits x 10^exponent
        BigInt denominator = big_one();
        multiply_by_power_of_ten(exponent >= 0 ? m.value : denominator,
                                 exponent >= 0 ? exponent : -exponent);
        bits = round_ratio(m.value, denominator);
    }
    return true;
}

// After "0x": the caller has seen a hex digit, or a point and a hex digit.
uint32_t scan_hex(const char* p) {
    Mantissa m = scan_mantissa(p, 16, MAX_HEX_DIGITS);
    if (m.kept == 0) return 0;
    add_sticky_digit(m, 16);
    // value = digits x 2^exponent, with 4 bits per hex digit.
    const int64_t exponent = 4 * (m.point - m.kept) + scan_exponent(m.end, 'p');
    const int64_t magnitude = bit_length(m.value) + exponent;
    if (magnitude > MAX_BINARY_MAGNITUDE) return INFINITY_BITS;
    if (magnitude <= MIN_BINARY_MAGNITUDE) return 0;
    BigInt denominator = big_one();
    shift_left(exponent >= 0 ? m.value : denominator,
               static_cast<int32_t>(exponent >= 0 ? exponent : -exponent));
    return round_ratio(m.value, denominator);
}

bool scan_magnitude(const char* p, uint32_t& bits) {
    if (p[0] == '0' && lower(p[1]) == 'x') {
        const bool digits = hex_value(p[2]) >= 0 || (p[2] == '.' && hex_value(p[3]) >= 0);
        bits = digits ? scan_hex(p + 2) : 0; // otherwise only the leading 0 is a number
        return true;
    }
    if (starts_with_word(p, "inf")) {
        bits = INFINITY_BITS;
        return true;
    }
    if (starts_with_word(p, "nan")) {
        bits = QUIET_NAN_BITS;
        return true;
    }
    return scan_decimal(p, bits);
}

} // namespace

bool scan_float(const char* text, float& dst) {
    const char* p = text;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = *p++ == '-';
    uint32_t bits = 0;
    if (!scan_magnitude(p, bits)) return false;
    dst = float_from_bits(negative ? bits | SIGN_BIT : bits);
    return true;
}

} // namespace walkers
