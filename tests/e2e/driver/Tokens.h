// Splitting a command line of the driver into words, and reading numbers from them.
#pragma once

#include <string>
#include <vector>

namespace e2e {

// Words are separated by blanks or tabs. A word in double quotes may contain blanks; inside it
// \" stands for a quote and \\ for a backslash. "" is an empty word. Returns false (with a reason
// in `error`) for an unterminated quote.
bool SplitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// Decimal (optionally negative) or 0x hexadecimal; the whole word must be the number.
bool ParseNumber(const std::string& word, long& value);

// The time factor of a slow machine: digits with an optional decimal point ("2", "1.5", ".5"),
// greater than zero; anything else is refused.
bool ParseTimeFactor(const std::string& text, double& factor);

}  // namespace e2e
