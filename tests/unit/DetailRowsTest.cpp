#include "atr/DetailRows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using Lines = std::vector<std::pair<std::string, std::string>>;

Lines AsLines(const std::vector<DetailRow>& rows)
{
    Lines lines;
    for (const DetailRow& row : rows)
        lines.emplace_back(row.property, row.value);
    return lines;
}

TEST(DetailRows, PairsPropertiesWithTheValuesAfterThem)
{
    const struct {
        const char* name;
        Texts texts;
        Lines expected;
    } cases[] = {
        {"no texts", {}, {}},
        {"one pair", {"Konvention", "direkt"}, {{"Konvention", "direkt"}}},
        {"pairs keep their order",
         {"Taktfrequenz (MHz)", "4", "Konvention", "direkt", "Protokoll", "T=1"},
         {{"Taktfrequenz (MHz)", "4"}, {"Konvention", "direkt"}, {"Protokoll", "T=1"}}},
        {"an empty value stays with its property",
         {"Historical Characters (Text)", "", "Historical Characters (Hex)", ""},
         {{"Historical Characters (Text)", ""}, {"Historical Characters (Hex)", ""}}},
        {"a single text is a line with only a property", {"Konvention"}, {{"Konvention", ""}}},
        {"an odd number of texts leaves the last line with only a property",
         {"Konvention", "direkt", "Protokoll"},
         {{"Konvention", "direkt"}, {"Protokoll", ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(AsLines(PairDetailRows(c.texts)), c.expected);
    }
}

}  // namespace
