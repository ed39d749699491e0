#include "atr/AtrNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

__extension__ typedef __int128 Int128;

// True when `r` is the float nearest to num / den, ties going to the even significand; decided
// in exact integer arithmetic.
bool IsNearestFloat(std::uint64_t num, std::uint64_t den, float r)
{
    int e = 0;
    const float fraction = std::frexp(r, &e);
    const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 24));  // 2^23 .. 2^24 - 1
    const int k = e - 24;                                                  // r = m * 2^k
    const int s = k < 0 ? -k : 0;
    // Everything times den * 2^s: value, exact quotient and one unit in the last place.
    const Int128 value = static_cast<Int128>(m) * den << (k + s);
    const Int128 exact = static_cast<Int128>(num) << s;
    Int128 ulp = static_cast<Int128>(den) << (k + s);
    const Int128 diff = value > exact ? value - exact : exact - value;
    // Just above a power of two the next float down is half as far away.
    if (m == (std::uint64_t{1} << 23) && value > exact)
        ulp /= 2;
    if (2 * diff < ulp)
        return true;
    return 2 * diff == ulp && (m & 1) == 0;
}

TEST(AtrNumbers, QuotientToFloatRoundsToNearestEven)
{
    struct Case {
        const char* name;
        std::uint64_t num;
        std::uint64_t den;
        float expected;
    };
    const Case cases[] = {
        {"rate at 4 MHz, F 372, D 1", 4000000, 372, 10752.6884765625f},
        {"exact quotient", 128000000, 512, 250000.0f},
        {"tie below goes to even", 16777217, 1, 16777216.0f},
        {"tie above goes to even", 16777219, 1, 16777220.0f},
        {"just above a tie rounds up", 33554435, 2, 16777218.0f},
        {"zero", 0, 372, 0.0f},
        {"largest rate the decoder can ask for", 64ull * 4294967 * 1000000, 372,
         738919055360.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(QuotientToFloat(c.num, c.den), c.expected);
    }
}

TEST(AtrNumbers, QuotientToFloatIsNearestOverTheDecoderDomain)
{
    const unsigned fs[] = {372, 558, 744, 1116, 1488, 1860, 512, 768, 1024, 1536, 2048};
    const unsigned ds[] = {1, 2, 4, 8, 16, 32, 64, 12, 20};
    for (std::uint64_t mhz = 1; mhz <= 3000; ++mhz) {
        for (const unsigned f : fs) {
            for (const unsigned d : ds) {
                const std::uint64_t num = d * mhz * 1000000;
                if (!IsNearestFloat(num, f, QuotientToFloat(num, f))) {
                    ADD_FAILURE() << num << " / " << f;
                    return;
                }
            }
        }
    }
    std::mt19937_64 random(7);
    for (int i = 0; i < 100000; ++i) {
        const std::uint64_t num = (random() >> 14) + 1;
        const std::uint64_t den = (random() >> 33) + 1;
        if (!IsNearestFloat(num, den, QuotientToFloat(num, den))) {
            ADD_FAILURE() << num << " / " << den;
            return;
        }
    }
}

TEST(AtrNumbers, FormatWholeRoundsHalfToEven)
{
    struct Case {
        const char* name;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"below half", 10752.4990234375, "10752"},
        {"above half", 10752.6884765625, "10753"},
        {"just below half, odd below", 10753.4990234375, "10753"},
        {"half, even below", 7812.5, "7812"},
        {"half, odd below", 4301075.5, "4301076"},
        {"zero", 0.0, "0"},
        {"half of one", 0.5, "0"},
        {"whole", 250000.0, "250000"},
        {"beyond 32 bits", 738919055360.0, "738919055360"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatWhole(c.value), c.expected);
    }
}

TEST(AtrNumbers, FormatHundredthsRoundsTheExactQuotient)
{
    struct Case {
        const char* name;
        std::uint64_t num;
        std::uint64_t den;
        const char* expected;
    };
    const Case cases[] = {
        {"BWT for BWI 4 at 4 MHz", 16 * 960 * 372 + 11 * 4000, 4000, "1439.48"},
        {"tie rounds to even, up", 1395, 1000, "1.40"},
        {"tie rounds to even, down", 1385, 1000, "1.38"},
        {"one hundredth", 1, 100, "0.01"},
        {"leading zero of the hundredths", 105, 100, "1.05"},
        {"nine hundredths", 109, 100, "1.09"},
        {"ten hundredths", 110, 100, "1.10"},
        {"zero", 0, 7, "0.00"},
        {"thirds", 1, 3, "0.33"},
        {"two thirds", 2, 3, "0.67"},
        {"round up into the next whole", 19999, 10000, "2.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatHundredths(c.num, c.den), c.expected);
    }
}

TEST(AtrNumbers, FormatScientificWritesThreeExponentDigits)
{
    struct Case {
        const char* name;
        double value;
        const char* expected;
    };
    const Case cases[] = {
        {"etu at 4 MHz, F 372, D 1", static_cast<double>(1.0f / 10752.6884765625f),
         "9.300000e-005"},
        {"one", 1.0, "1.000000e+000"},
        {"positive exponent", 12345.678, "1.234568e+004"},
        {"rounding carries into the exponent", 9.9999996e-5, "1.000000e-004"},
        {"three-digit exponent stays", 1e100, "1.000000e+100"},
        {"three-digit negative exponent", 2.5e-300, "2.500000e-300"},
        {"zero", 0.0, "0.000000e+000"},
        {"negative value", -0.00123, "-1.230000e-003"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FormatScientific(c.value), c.expected);
    }
}

}  // namespace
