#include "sysinfo/FileVersionText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(FileVersionText, StringPathNamesLanguageBeforeCodePage)
{
    struct PathCase {
        const char* name;
        std::uint32_t translation;  // as read from \VarFileInfo\Translation
        const char* valueName;
        const char* path;
    };
    const PathCase cases[] = {
        {"US English, Windows Latin 1", 0x04E40409, "FileVersion",
         "\\StringFileInfo\\040904e4\\FileVersion"},
        {"German, Unicode", 0x04B00407, "CompanyName", "\\StringFileInfo\\040704b0\\CompanyName"},
        {"neutral language, code page 0", 0x00000000, "FileVersion",
         "\\StringFileInfo\\00000000\\FileVersion"},
        {"all bits set", 0xFFFFFFFF, "FileVersion", "\\StringFileInfo\\ffffffff\\FileVersion"},
        {"halves of their own", 0x12345678, "X", "\\StringFileInfo\\56781234\\X"},
    };
    for (const PathCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(StringFileInfoPath(c.translation, c.valueName), c.path);
    }
}

TEST(FileVersionText, ValueTextStopsAtNulOrLength)
{
    struct ValueCase {
        const char* name;
        const char* value;
        std::size_t length;
        std::string text;
    };
    const char noTerminator[] = {'5', '.', '1', 'X', 'Y'};
    const ValueCase cases[] = {
        {"length counts the NUL", "5.1.2600.2180", 14, "5.1.2600.2180"},
        {"length without the NUL", "5.1.2600.2180", 13, "5.1.2600.2180"},
        {"length beyond an early NUL", "1.0\0garbage", 12, "1.0"},
        {"no NUL within the length", noTerminator, 3, "5.1"},
        {"empty value", "", 1, ""},
        {"length zero", "ignored", 0, ""},
        {"no value", nullptr, 5, ""},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VersionValueText(c.value, c.length), c.text);
    }
}

TEST(FileVersionText, LongValueIsKeptWhole)
{
    const std::string longVersion(1000, '7');
    EXPECT_EQ(VersionValueText(longVersion.c_str(), longVersion.size() + 1), longVersion);
}

TEST(FileVersionText, SplitTakesHighHalfFirst)
{
    struct SplitCase {
        const char* name;
        std::uint32_t ms;
        std::uint32_t ls;
        FileVersionNumbers version;
    };
    const SplitCase cases[] = {
        {"own version", 0x00020001, 0x00000008, {2, 1, 0, 8}},
        {"widest halves", 0xFFFF0001, 0x04D2FFFE, {0xFFFF, 1, 1234, 0xFFFE}},
        {"odd fourth part", 0x000A0000, 0x4A610001, {10, 0, 19041, 1}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FileVersionNumbers version = SplitFileVersion(c.ms, c.ls);
        EXPECT_EQ(version.a, c.version.a);
        EXPECT_EQ(version.b, c.version.b);
        EXPECT_EQ(version.c, c.version.c);
        EXPECT_EQ(version.d, c.version.d);
    }
}

TEST(FileVersionText, ProgramVersionForms)
{
    struct FormCase {
        const char* name;
        FileVersionNumbers version;
        int form;
        const char* text;
    };
    const FormCase cases[] = {
        {"own version, full", {2, 1, 0, 8}, VersionFull, "PC/SC Kardoskop v2.1.0.8"},
        {"own version, short", {2, 1, 0, 8}, VersionShort, "PC/SC Kardoskop v2.1"},
        {"short form ignores c and d", {2, 1, 3, 0}, VersionShort, "PC/SC Kardoskop v2.1"},
        {"four digits written whole", {2, 1, 0, 1234}, VersionFull, "PC/SC Kardoskop v2.1.0.1234"},
        {"largest numbers", {65535, 65535, 65535, 65535}, VersionFull,
         "PC/SC Kardoskop v65535.65535.65535.65535"},
        {"no leading zeros", {0, 10, 0, 100}, VersionFull, "PC/SC Kardoskop v0.10.0.100"},
    };
    for (const FormCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = "stale";
        EXPECT_TRUE(FormatProgramVersion(c.version, c.form, text));
        EXPECT_EQ(text, c.text);
    }
}

TEST(FileVersionText, UnknownFormGivesEmptyText)
{
    for (int form : {0, 3, -1}) {
        SCOPED_TRACE(form);
        std::string text = "stale";
        EXPECT_FALSE(FormatProgramVersion({2, 1, 0, 8}, form, text));
        EXPECT_EQ(text, "");
    }
}

}  // namespace
