#include "atr/AtrNumbers.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
// Rounds quotient + remainder/denominator to a whole number, ties to even.
std::uint64_t RoundHalfEven(std::uint64_t quotient, std::uint64_t remainder,
                            std::uint64_t denominator)
{
    const std::uint64_t twice = 2 * remainder;
    if (twice > denominator || (twice == denominator && (quotient & 1) != 0))
        return quotient + 1;
    return quotient;
}
}  // namespace

float QuotientToFloat(std::uint64_t numerator, std::uint64_t denominator)
{
    if (numerator == 0)
        return 0.0f;
    // Scale until the integer quotient has 26 bits: the float's 24 significant bits, the bit to
    // round on and one that joins the remainder as the sticky part. The value stays
    // numerator / denominator * 2^exponent throughout.
    std::uint64_t n = numerator;
    std::uint64_t d = denominator;
    int exponent = 0;
    while (n / d >= (std::uint64_t{1} << 26)) {
        d <<= 1;
        ++exponent;
    }
    while (n / d < (std::uint64_t{1} << 25)) {
        n <<= 1;
        --exponent;
    }
    const std::uint64_t q = n / d;
    std::uint64_t significand = q >> 2;
    const bool roundBit = ((q >> 1) & 1) != 0;
    const bool sticky = (q & 1) != 0 || n % d != 0;
    if (roundBit && (sticky || (significand & 1) != 0))
        ++significand;
    // At most 2^24, so the conversion is exact, and scaling by a power of two is exact too.
    return std::ldexp(static_cast<float>(significand), exponent + 2);
}

std::string FormatWhole(double value)
{
    // floor and the difference are exact for any double, so no precision can tip the result.
    const double whole = std::floor(value);
    const double fraction = value - whole;
    std::uint64_t result = static_cast<std::uint64_t>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && (result & 1) != 0))
        ++result;
    return std::to_string(result);
}

std::string FormatHundredths(std::uint64_t numerator, std::uint64_t denominator)
{
    const std::uint64_t scaled = numerator * 100;
    const std::uint64_t hundredths =
        RoundHalfEven(scaled / denominator, scaled % denominator, denominator);
    const unsigned cents = static_cast<unsigned>(hundredths % 100);
    return std::to_string(hundredths / 100) + (cents < 10 ? ".0" : ".") + std::to_string(cents);
}

std::string FormatScientific(double value)
{
    // The digits come from the C runtime (all of them round these correctly); the exponent is
    // written here, because runtimes disagree on its width.
    char text[64];  // room for any double in this form
    (void)std::snprintf(text, sizeof text, "%.6e", value);
    const char* e = std::strchr(text, 'e');
    if (e == nullptr)
        return text;
    std::string result(text, static_cast<size_t>(e - text));
    const char* digits = e + 1;
    char sign = '+';
    if (*digits == '+' || *digits == '-')
        sign = *digits++;
    while (*digits == '0' && digits[1] != '\0')
        ++digits;
    std::string exponent(digits);
    if (exponent.size() < 3)
        exponent.insert(0, 3 - exponent.size(), '0');
    return result + 'e' + sign + exponent;
}
