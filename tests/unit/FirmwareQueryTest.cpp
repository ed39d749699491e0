#include "sysinfo/FirmwareQuery.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

struct VersionCase {
    const char* name;
    std::uint32_t value;
    const char* text;
};

TEST(FirmwareQuery, VersionTextLaysOutHexDigits)
{
    const VersionCase cases[] = {
        {"seven digits", 0x01020304, "1.02.03.04"},
        {"lower-case hex digits", 0x010A0B0C, "1.0a.0b.0c"},
        {"EMV 1.00.00.00", 0x01000000, "1.00.00.00"},
        {"zero: digit and point", 0, "0."},
        {"one digit", 0xF, "f."},
        {"two digits", 0xAB, "a.b"},
        {"three digits end in a point", 0xABC, "a.bc."},
        {"four digits", 0xABCD, "a.bc.d"},
        {"five digits end in the final point", 0x10203, "1.02.03."},
        {"six digits", 0xABCDEF, "a.bc.de.f"},
        {"eighth digit dropped", 0x12345678, "1.23.45.67"},
        {"eight digits, trailing zero dropped", 0x10000000, "1.00.00.00"},
        {"largest value fits ten characters", 0xFFFFFFFF, "f.ff.ff.ff"},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = VersionText(c.value);
        EXPECT_EQ(text, c.text);
        EXPECT_LT(text.size(), kVersionTextSize);
    }
}

}  // namespace
