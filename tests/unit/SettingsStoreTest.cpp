#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SettingsStore, BuildsPathsBelowTheBaseKey)
{
    const struct {
        const char* name;
        const char* subkey;
        std::size_t size;
        bool fits;
        const char* expected;
    } cases[] = {
        {"program key", "PCSC_Kardoskop_V21", kKeyPathSize, true, "SOFTWARE\\Talvek\\PCSC_Kardoskop_V21"},
        {"no subkey", nullptr, kKeyPathSize, true, "SOFTWARE\\Talvek"},
        {"empty subkey", "", kKeyPathSize, true, "SOFTWARE\\Talvek"},
        // Base (15) + subkey must stay below size - 2.
        {"just fits", "abc", 21, true, "SOFTWARE\\Talvek\\abc"},
        {"one too long", "abcd", 21, false, nullptr},
        {"tiny buffer", "", 2, false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string buffer(c.size, '\x7f');
        EXPECT_EQ(BuildKeyPath(&buffer[0], c.size, c.subkey), c.fits);
        if (c.fits) {
            EXPECT_STREQ(buffer.c_str(), c.expected);
        }
    }
}

TEST(SettingsStore, RefusesSubkeysBeyondTheKeyPathBuffer)
{
    char path[kKeyPathSize];
    std::string subkey(kKeyPathSize, 'k');
    EXPECT_FALSE(BuildKeyPath(path, sizeof path, subkey.c_str()));
    subkey.resize(kKeyPathSize - 18);  // 15 + 382 = 397 = size - 3: fits with its backslash
    EXPECT_TRUE(BuildKeyPath(path, sizeof path, subkey.c_str()));
    EXPECT_EQ(std::string(path).size(), 15u + 1u + subkey.size());
}

}  // namespace
