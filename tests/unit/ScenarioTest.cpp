// The scenario parser drives every simulator; a misread scenario would make tests pass or fail
// for the wrong reason.
#include "Scenario.h"

#include <gtest/gtest.h>

namespace {

using scenario::Card;

TEST(Scenario, ParsesGlobalInjectionsAndReaders)
{
    const char* text =
        "# resource manager\n"
        "context = 0x8010001D\n"
        "list2 = 0x80100008 * 2   # grows twice\n"
        "\n"
        "[reader Talvek CCR 4000 0]\n"
        "card = present\n"
        "atr = 3B 96 11 81 31FE45\n"
        "apdu = FF CA 00 00 00 : 04 A1 B2 C3 90 00\n"
        "clock = none\n"
        "firmware = 0 0x01020304 7 0x01000000\n"
        "firmware-delay = 600000\n"
        "[reader Morvex 7150 0]\n"
        "transmit = -5\n";
    scenario::Scenario s;
    std::string error;
    ASSERT_TRUE(scenario::Parse(text, s, error)) << error;
    EXPECT_EQ(s.context.code, static_cast<std::int32_t>(0x8010001D));
    EXPECT_EQ(s.context.count, -1);
    EXPECT_FALSE(s.list1.set);
    EXPECT_EQ(s.list2.code, static_cast<std::int32_t>(0x80100008));
    EXPECT_EQ(s.list2.count, 2);
    ASSERT_EQ(s.readers.size(), 2u);

    const scenario::Reader& r = s.readers[0];
    EXPECT_EQ(r.name, "Talvek CCR 4000 0");
    EXPECT_EQ(r.card, Card::Present);
    EXPECT_EQ(r.atr, (std::vector<std::uint8_t>{0x3B, 0x96, 0x11, 0x81, 0x31, 0xFE, 0x45}));
    EXPECT_FALSE(r.hasClock);
    ASSERT_TRUE(r.hasFirmware);
    EXPECT_EQ(r.firmware, 0x01020304u);
    EXPECT_EQ(r.reserved, 7u);
    EXPECT_EQ(r.emv, 0x01000000u);
    EXPECT_EQ(r.firmwareDelayMs, 600000u);
    const std::uint8_t getUid[] = {0xFF, 0xCA, 0x00, 0x00, 0x00};
    EXPECT_EQ(scenario::ResponseFor(r, getUid, 5),
              (std::vector<std::uint8_t>{0x04, 0xA1, 0xB2, 0xC3, 0x90, 0x00}));
    EXPECT_EQ(scenario::ResponseFor(r, getUid, 4), (std::vector<std::uint8_t>{0x6D, 0x00}));

    EXPECT_EQ(s.readers[1].card, Card::Absent);
    EXPECT_TRUE(s.readers[1].hasClock);
    EXPECT_EQ(s.readers[1].transmit.code, -5);
    EXPECT_EQ(scenario::FindReader(s, "Morvex 7150 0"), &s.readers[1]);
    EXPECT_EQ(scenario::FindReader(s, "Morvex 7150"), nullptr);
}

TEST(Scenario, RejectsMalformedLinesWithTheirNumber)
{
    const struct {
        const char* name;
        const char* text;
        const char* where;
    } cases[] = {
        {"unknown key", "[reader A]\ncolour = red\n", "line 2"},
        {"reader key outside a section", "card = present\n", "line 1"},
        {"odd hex digits", "[reader A]\natr = 3B 9\n", "line 2"},
        {"byte split by a blank", "[reader A]\natr = 3 B\n", "line 2"},
        {"ATR longer than 36 bytes", "[reader A]\natr = 000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20212223 24\n", "line 2"},
        {"apdu without answer", "[reader A]\napdu = FF CA 00 00 00\n", "line 2"},
        {"bad section", "[card A]\n", "line 1"},
        {"missing equals", "\n\ncontext 5\n", "line 3"},
        {"firmware with three values", "[reader A]\nfirmware = 0 1 2\n", "line 2"},
        {"bad card state", "[reader A]\ncard = maybe\n", "line 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scenario::Scenario s;
        std::string error;
        EXPECT_FALSE(scenario::Parse(c.text, s, error));
        EXPECT_NE(error.find(c.where), std::string::npos) << error;
    }
}

TEST(Scenario, ActiveProtocolFollowsTheAtrUnlessGiven)
{
    const struct {
        const char* name;
        const char* lines;
        std::uint32_t expected;
    } cases[] = {
        {"T=1 announced in TD2", "atr = 3B 96 11 81 31 FE 45 01 02 03 04 05 06", 2},
        {"T=0 and T=1 offered", "atr = 3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A", 2},
        {"no TD1 means T=0", "atr = 3B 02 14 50", 1},
        {"T=0 only", "atr = 3B 90 11 00", 1},
        {"given raw", "atr = 3B 02 14 50\nprotocol = raw", 0x00010000},
        {"given none", "protocol = none", 0},
        {"given T0 over a T=1 ATR", "atr = 3B 96 11 81 31 FE 45\nprotocol = T0", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scenario::Scenario s;
        std::string error;
        ASSERT_TRUE(scenario::Parse(std::string("[reader A]\n") + c.lines + "\n", s, error)) << error;
        EXPECT_EQ(scenario::ActiveProtocol(s.readers[0]), c.expected);
    }
}

TEST(Scenario, ReadsNumbersInTheTwoDocumentedBasesOnly)
{
    using S = std::string;
    const struct {
        const char* name;
        std::string value;
        bool ok;
        std::uint32_t clockKhz;  // when ok
    } cases[] = {
        {"decimal", "3570", true, 3570},
        {"hexadecimal", "0xDF2", true, 3570},
        {"hexadecimal with capital X", "0XDF2", true, 3570},
        {"leading zero stays decimal", "0100", true, 100},
        {"leading zero before 8 and 9", "089", true, 89},
        {"zero", "0", true, 0},
        {"largest", "4294967295", true, 4294967295u},
        {"beyond 32 bits", "4294967296", false, 0},
        {"negative", "-1", false, 0},
        {"NUL inside the number", S("5\0" "7", 3), false, 0},
        {"prefix without digits", "0x", false, 0},
        {"trailing letters", "12kHz", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scenario::Scenario s;
        std::string error;
        const bool ok = scenario::Parse("[reader A]\nclock = " + c.value + "\n", s, error);
        EXPECT_EQ(ok, c.ok) << error;
        if (ok && c.ok) {
            EXPECT_EQ(s.readers[0].clockKhz, c.clockKhz);
        }
    }
}

TEST(Scenario, InjectionCountsStayWithinAnInt)
{
    const struct {
        const char* name;
        const char* value;
        bool ok;
        int count;  // when ok
    } cases[] = {
        {"no count: every call", "0x80100008", true, -1},
        {"count 0", "0x80100008 * 0", true, 0},
        {"largest count", "0x80100008 * 2147483647", true, 2147483647},
        {"count beyond an int", "0x80100008 * 2147483648", false, 0},
        {"count of all ones", "0x80100008 * 4294967295", false, 0},
        {"negative count", "0x80100008 * -1", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        scenario::Scenario s;
        std::string error;
        const bool ok = scenario::Parse(std::string("context = ") + c.value + "\n", s, error);
        EXPECT_EQ(ok, c.ok) << error;
        if (ok && c.ok) {
            EXPECT_EQ(s.context.code, static_cast<std::int32_t>(0x80100008));
            EXPECT_EQ(s.context.count, c.count);
        }
    }
}

}  // namespace
