#pragma once
// The decoder's rows as the reader page and the log show them. The decoder delivers texts in which
// property and value alternate; each property starts a line, and the text after it is that
// line's value. Portable.

#include <string>
#include <vector>

struct DetailRow {
    std::string property;
    std::string value;
};

// The lines of `texts`, in order. An odd number of texts leaves the last line with only a
// property (its value empty).
std::vector<DetailRow> PairDetailRows(const std::vector<std::string>& texts);
