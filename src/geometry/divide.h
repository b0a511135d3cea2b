// divide.h - integer division truncating towards zero, without a divide
// instruction for the small divisors that edges and projection use.
//
// divide(a, b) is a / b rounded towards zero for every pair of 32-bit values,
// and also where C++ leaves it undefined: b == 0 gives 0 and INT32_MIN / -1
// wraps to INT32_MIN.
//
// A divisor whose magnitude is below DIVIDE_TABLE_SIZE is a multiplication by
// a reciprocal and a shift: for 0 <= n < 2^31, 1 <= d <= 2^l and
// m = floor(2^(31 + l) / d) + 1, floor(n * m / 2^(31 + l)) == floor(n / d)
// (Granlund and Montgomery's round-up method: m * d exceeds 2^(31 + l) by at
// most d <= 2^l, which n < 2^31 cannot bring up to a whole step). The quotient
// of the magnitudes then takes the sign of a / b. Larger divisors and the one
// dividend whose magnitude is 2^31 take the divide instruction. Every
// reciprocal multiplier is at least 2^31 + 1, so 0 marks "not in the table".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace walkers {

constexpr int32_t DIVIDE_TABLE_SIZE = 4096;

struct Reciprocal {
    uint32_t multiplier; // floor(2^(31 + l) / d) + 1, below 2^32 for every d here
    uint32_t shift;      // 31 + l, with 2^l the smallest power of two >= d
};

constexpr std::array<Reciprocal, DIVIDE_TABLE_SIZE> make_reciprocals() {
    std::array<Reciprocal, DIVIDE_TABLE_SIZE> table{};
    for (uint32_t d = 1; d < DIVIDE_TABLE_SIZE; ++d) {
        uint32_t l = 0;
        while ((uint32_t{1} << l) < d)
            ++l;
        const uint64_t multiplier = (uint64_t{1} << (31 + l)) / d + 1;
        table[d] = {static_cast<uint32_t>(multiplier), 31 + l};
    }
    return table;
}

// Entry d is the reciprocal of d (entry 0 is never used).
inline constexpr std::array<Reciprocal, DIVIDE_TABLE_SIZE> RECIPROCALS = make_reciprocals();

// A divisor prepared once for several dividends (an edge divides its x, u and
// v differences by the same row count). Signs are handled without branches:
// slopes take either sign at random, and a mispredicted branch would cost more
// than the division saves.
class Divisor {
public:
    constexpr explicit Divisor(int32_t d)
        : d_(d), sign_(0u - (static_cast<uint32_t>(d) >> 31)),
          reciprocal_(lookup(magnitude(static_cast<uint32_t>(d), sign_))) {}

    constexpr int32_t divide(int32_t a) const {
        const auto ua = static_cast<uint32_t>(a);
        const uint32_t sign_a = 0u - (ua >> 31); // all ones when a < 0
        const uint32_t magnitude_a = magnitude(ua, sign_a);
        if (reciprocal_.multiplier != 0 && magnitude_a < 0x80000000u) {
            const auto q = static_cast<uint32_t>((uint64_t{magnitude_a} * reciprocal_.multiplier) >>
                                                 reciprocal_.shift);
            const uint32_t sign = sign_a ^ sign_;
            return static_cast<int32_t>((q ^ sign) - sign);
        }
        if (d_ == 0) return 0;
        if (d_ == -1) return static_cast<int32_t>(0u - ua);
        return a / d_;
    }

private:
    static constexpr uint32_t magnitude(uint32_t value, uint32_t sign) {
        return (value ^ sign) - sign;
    }
    // The table's entry, or a zero multiplier for a divisor it does not cover.
    static constexpr Reciprocal lookup(uint32_t magnitude_d) {
        return magnitude_d - 1 < static_cast<uint32_t>(DIVIDE_TABLE_SIZE - 1)
                   ? RECIPROCALS[magnitude_d]
                   : Reciprocal{0, 0};
    }

    int32_t d_;
    uint32_t sign_;
    Reciprocal reciprocal_;
};

constexpr int32_t divide(int32_t a, int32_t b) {
    return Divisor(b).divide(a);
}

} // namespace walkers
