#include "AtrRowsFormat.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

TEST(AtrRowsFormat, ParsesHexLines)
{
    struct Case {
        const char* name;
        std::string line;
        Bytes expected;
    };
    const Case cases[] = {
        {"blanks between bytes", "3B 96 11", {0x3B, 0x96, 0x11}},
        {"no blanks", "3b9611", {0x3B, 0x96, 0x11}},
        {"tabs, leading and trailing blanks", "\t3B\t96  11 ", {0x3B, 0x96, 0x11}},
        {"CR of a CRLF file", "3B 04\r", {0x3B, 0x04}},
        {"one byte", "3B", {0x3B}},
        {"36 bytes", std::string(72, 'f'), Bytes(36, 0xFF)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes atr;
        std::string error;
        EXPECT_TRUE(ParseAtrHex(c.line, atr, error)) << error;
        EXPECT_EQ(atr, c.expected);
    }
}

TEST(AtrRowsFormat, RejectsWhatIsNotAnAtr)
{
    const std::string cases[] = {
        "", "   ", "\r", "3B 9", "3 B", "3B 96 1", "3B:96", "0x3B", "3B zz", std::string(74, '0'),
    };
    for (const std::string& line : cases) {
        SCOPED_TRACE(line);
        Bytes atr;
        std::string error;
        EXPECT_FALSE(ParseAtrHex(line, atr, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(AtrRowsFormat, ConvertsWindows1252ToUtf8)
{
    struct Case {
        const char* name;
        std::string text;
        std::string property;
        std::string value;
    };
    const Case cases[] = {
        {"plain", "direkt", "direkt", "direkt"},
        {"umlaut", "\xDC" "ber", "\xC3\x9C" "ber", "\xC3\x9C" "ber"},
        {"euro sign", "\x80", "\xE2\x82\xAC", "\xE2\x82\xAC"},
        {"last byte", "\xFF", "\xC3\xBF", "\xC3\xBF"},
        {"no-break space", "\xA0", "\xC2\xA0", "\xC2\xA0"},
        {"undefined bytes", "\x81\x8D\x8F\x90\x9D", "\\x81\\x8d\\x8f\\x90\\x9d",
         "\\x81\\x8d\\x8f\\x90\\x9d"},
        {"controls and DEL", std::string("\x01\t\n\x1F\x7F", 5), std::string("\x01\t\n\x1F\x7F", 5),
         "\\x01\\x09\\x0a\\x1f\\x7f"},
        {"backslash", "a\\b", "a\\b", "a\\\\b"},
        {"defined bytes around the gaps", "\x8C\x8E\x9C\x9F", "\xC5\x92\xC5\xBD\xC5\x93\xC5\xB8",
         "\xC5\x92\xC5\xBD\xC5\x93\xC5\xB8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PropertyToUtf8(c.text), c.property);
        EXPECT_EQ(ValueToUtf8(c.text), c.value);
    }
}

TEST(AtrRowsFormat, WritesOneLinePerRowAndAnEmptyLine)
{
    const std::vector<std::string> rows = {"(TA1) \xDC" "bertragungsfaktor D", "1",
                                           "Historical Characters (Text)", "A\nB"};
    EXPECT_EQ(FormatRows(rows),
              "(TA1) \xC3\x9C" "bertragungsfaktor D\t1\nHistorical Characters (Text)\tA\\x0aB\n\n");
    EXPECT_EQ(FormatRows({}), "\n");
}

}  // namespace
