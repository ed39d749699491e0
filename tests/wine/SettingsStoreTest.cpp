// The settings store against Wine's real registry.
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

const char kBase[] = "SOFTWARE\\Talvek";

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kBase); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kBase); }

    static bool KeyExists(const char* path)
    {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }

    static void Store(DWORD type, const void* data, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek\\PCSC_Kardoskop_V21", &key),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, kLanguageValue, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
};

TEST_F(SettingsStoreTest, ReadWithoutKeyGivesDefaultAndCreatesNothing)
{
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, 0), 0u);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, 7), 7u);
    EXPECT_FALSE(KeyExists(kBase));
}

TEST_F(SettingsStoreTest, WriteCreatesMissingParentsAndReadsBack)
{
    DWORD english = LangEnglish;
    EXPECT_EQ(WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &english, REG_DWORD), 1);
    EXPECT_TRUE(KeyExists("SOFTWARE\\Talvek\\PCSC_Kardoskop_V21"));
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, 0), 2u);

    DWORD german = LangGerman;  // the key exists now: a plain overwrite
    EXPECT_EQ(WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &german, REG_DWORD), 1);
    EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, 0), 1u);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek\\PCSC_Kardoskop_V21", 0, KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0, size = 0;
    EXPECT_EQ(RegQueryValueExA(key, kLanguageValue, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
}

TEST_F(SettingsStoreTest, ValuesOfOtherTypesReadAsDefault)
{
    const struct {
        const char* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {"text", REG_SZ, std::string("2\0", 2)},
        {"8-byte number", REG_QWORD, std::string("\x02\0\0\0\0\0\0\0", 8)},
        {"binary of four bytes", REG_BINARY, std::string("\x02\0\0\0", 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Store(c.type, c.bytes.data(), static_cast<DWORD>(c.bytes.size()));
        EXPECT_EQ(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, 0), 0u);
    }
}

TEST_F(SettingsStoreTest, OverlongSubkeyWritesNothing)
{
    std::string subkey(kKeyPathSize, 's');
    DWORD value = 1;
    EXPECT_EQ(WriteValue(HKEY_CURRENT_USER, subkey.c_str(), kLanguageValue, &value, REG_DWORD), 0);
    EXPECT_FALSE(KeyExists(kBase));
}

}  // namespace
