#pragma once
// Number texts of the ATR rows. They must read the same on every build, whatever the C runtime
// (MSVCRT, MinGW, glibc) and the FPU (x87 on i686, SSE natively) do, so rounding is done here in
// integer arithmetic or on values that are exact in every precision.

#include <cstdint>
#include <string>

// numerator / denominator rounded to the nearest float, ties to even; 0 for a zero numerator.
// The denominator must be non-zero and below 2^32.
float QuotientToFloat(std::uint64_t numerator, std::uint64_t denominator);

// A non-negative value below 2^63 as "%.0f" shows it: rounded to a whole number, ties to even.
std::string FormatWhole(double value);

// numerator / denominator (denominator non-zero) as "%.2f" would show the exact quotient, ties
// to even.
std::string FormatHundredths(std::uint64_t numerator, std::uint64_t denominator);

// A finite value as "%e" with an exponent of at least three digits: 9.300000e-005.
std::string FormatScientific(double value);
