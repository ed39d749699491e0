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

TEST(SettingsStore, FirstStartLanguageFromTheSystemLanguage)
{
    const struct {
        const char* name;
        std::uint16_t id;
        LanguageSetting expected;
    } cases[] = {
        {"German (Germany)", 0x0407, LangGerman},
        {"German (Switzerland)", 0x0807, LangGerman},
        {"German (Austria)", 0x0C07, LangGerman},
        {"German (Luxembourg)", 0x1007, LangGerman},
        {"German (Liechtenstein)", 0x1407, LangGerman},
        {"German, neutral sublanguage", 0x0007, LangEnglish},
        {"German, unlisted sublanguage 6", 0x1807, LangEnglish},
        {"English (United States)", 0x0409, LangEnglish},
        {"English (United Kingdom)", 0x0809, LangEnglish},
        {"French (Switzerland)", 0x100C, LangEnglish},
        {"Italian (Switzerland)", 0x0810, LangEnglish},
        {"Romansh (Switzerland)", 0x0417, LangEnglish},
        {"neutral", 0x0000, LangEnglish},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FirstStartLanguage(c.id), c.expected);
    }
}

}  // namespace
