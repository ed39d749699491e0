#include "pcsc/HexLine.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(HexLine, FormatsBytesInLowerCaseWithSingleBlanks)
{
    const struct {
        const char* name;
        std::vector<unsigned char> bytes;
        const char* expected;
    } cases[] = {
        {"no bytes", {}, ""},
        {"one byte", {0x0A}, "0a"},
        {"short ATR", {0x3B, 0x02, 0x14, 0x50}, "3b 02 14 50"},
        {"UID", {0x04, 0xA1, 0xB2, 0xC3}, "04 a1 b2 c3"},
        {"extremes", {0x00, 0xFF}, "00 ff"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(HexLine(c.bytes.data(), c.bytes.size()), c.expected);
    }
}

TEST(HexLine, LongInputsAreWrittenWhole)
{
    std::vector<unsigned char> bytes(253, 0xAB);
    std::string line = HexLine(bytes.data(), bytes.size());
    EXPECT_EQ(line.size(), 3 * bytes.size() - 1);
    EXPECT_EQ(line.substr(line.size() - 5), "ab ab");
}

}  // namespace
