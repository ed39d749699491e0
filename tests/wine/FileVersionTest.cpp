// Version queries against crafted resource-only DLLs, versionprobe.exe (which carries the
// program's own version resource) and the system files of the Wine prefix.
#include "sysinfo/FileVersion.h"
#include "sysinfo/RedirectionOff.h"
#include "sysinfo/SysInfo.h"

#include "SysInfoProbe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const char kUntouched[] = "untouched";

// `piece` repeated and cut to `length` characters, as the long texts of ver_long_texts.dll are made.
std::string Repeat(const char* piece, std::size_t length)
{
    std::string text;
    while (text.size() < length)
        text += piece;
    text.resize(length);
    return text;
}

struct StringsCase {
    const char* name;
    const char* file;  // in the test program's folder
    bool ok;
    std::string version;  // expected texts afterwards
    std::string maker;
};

TEST(FileVersion, ReadVersionStringsUsesFirstTranslation)
{
    const std::string longVersion = Repeat("1234567890.", 300);
    const std::string longMaker = Repeat("Long Maker Name ", 200);

    const StringsCase cases[] = {
        {"key 040904e4, not a decoy", "ver_cp1252.dll", true, "1.2.3.4", "Kardoskop Test Maker"},
        {"first of two translations", "ver_multi.dll", true, "3.0.0.1", "First Maker"},
        {"first translation without strings", "ver_multi_first_empty.dll", false, kUntouched,
         kUntouched},
        {"maker without version", "ver_maker_only.dll", false, kUntouched, "Maker Without Version"},
        {"no version resource", "ver_none.dll", false, kUntouched, kUntouched},
        {"no such file", "ver_missing.dll", false, kUntouched, kUntouched},
        {"own version resource", "ver_program.dll", true, "2, 1, 0, 8", "Talvek"},
        {"long texts delivered whole", "ver_long_texts.dll", true, longVersion, longMaker},
    };
    const CSysInfo sysInfo;
    for (const StringsCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string version = kUntouched;
        std::string maker = kUntouched;
        EXPECT_EQ(sysInfo.ReadVersionStrings(TestBinFile(c.file).c_str(), version, maker), c.ok);
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(maker, c.maker);
    }
}

TEST(FileVersion, ReadFixedFileVersionTakesHalvesInOrder)
{
    struct FixedCase {
        const char* name;
        const char* file;
        bool ok;
        WORD a, b, c, d;
    };
    const FixedCase cases[] = {
        {"own version", "ver_program.dll", true, 2, 1, 0, 8},
        {"numbers of four digits", "ver_wide_numbers.dll", true, 2, 1, 1000, 1234},
        {"fixed record even without strings", "ver_multi_first_empty.dll", true, 3, 0, 0, 2},
        {"no version resource", "ver_none.dll", false, 7, 7, 7, 7},
        {"no such file", "ver_missing.dll", false, 7, 7, 7, 7},
    };
    for (const FixedCase& c : cases) {
        SCOPED_TRACE(c.name);
        WORD a = 7, b = 7, cc = 7, d = 7;
        EXPECT_EQ(ReadFixedFileVersion(TestBinFile(c.file).c_str(), a, b, cc, d), c.ok);
        EXPECT_EQ(a, c.a);
        EXPECT_EQ(b, c.b);
        EXPECT_EQ(cc, c.c);
        EXPECT_EQ(d, c.d);
    }
}

TEST(FileVersion, ModuleVersionTextInBothForms)
{
    struct ModuleCase {
        const char* name;
        const char* file;
        int form;
        bool ok;
        const char* text;
    };
    const ModuleCase cases[] = {
        {"own version, full", "ver_program.dll", VersionFull, true, "PC/SC Kardoskop v2.1.0.8"},
        {"own version, short", "ver_program.dll", VersionShort, true, "PC/SC Kardoskop v2.1"},
        {"wide numbers, full", "ver_wide_numbers.dll", VersionFull, true,
         "PC/SC Kardoskop v2.1.1000.1234"},
        {"wide numbers, short", "ver_wide_numbers.dll", VersionShort, true, "PC/SC Kardoskop v2.1"},
        {"unknown form", "ver_program.dll", 3, false, ""},
        {"no version resource", "ver_none.dll", VersionFull, false, ""},
    };
    for (const ModuleCase& c : cases) {
        SCOPED_TRACE(c.name);
        HMODULE module = LoadLibraryA(TestBinFile(c.file).c_str());
        ASSERT_NE(module, nullptr);
        std::string text = "stale";
        EXPECT_EQ(GetModuleVersionText(module, text, c.form), c.ok);
        EXPECT_EQ(text, c.text);
        FreeLibrary(module);
    }
}

TEST(FileVersion, ProgramVersionTextOfOwnFile)
{
    auto answers = RunVersionProbe(nullptr);
    ASSERT_FALSE(answers.empty()) << "versionprobe.exe did not run";
    EXPECT_EQ(answers["full"], "1|PC/SC Kardoskop v2.1.0.8");
    EXPECT_EQ(answers["short"], "1|PC/SC Kardoskop v2.1");
}

TEST(FileVersion, SystemFilesOfThePrefix)
{
    struct SystemCase {
        const char* path;
        bool ok;
        const char* version;
        const char* maker;
    };
    const SystemCase cases[] = {
        {"\\winscard.dll", true, "5.1.2600.2180", "Microsoft Corporation"},
        {"\\scardsvr.exe", false, kUntouched, kUntouched},
        {"\\scardsvr.dll", false, kUntouched, kUntouched},
        {"\\drivers\\smclib.sys", false, kUntouched, kUntouched},
    };
    const CSysInfo sysInfo;
    for (const SystemCase& c : cases) {
        SCOPED_TRACE(c.path);
        std::string version = kUntouched;
        std::string maker = kUntouched;
        EXPECT_EQ(sysInfo.GetSystemFileVersion(c.path, version, maker), c.ok);
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(maker, c.maker);
    }
}

TEST(FileVersion, PathBeyondRoomIsRefused)
{
    const std::string longPath = "\\" + std::string(300, 'a') + ".dll";
    std::string version = kUntouched;
    std::string maker = kUntouched;
    EXPECT_FALSE(CSysInfo().GetSystemFileVersion(longPath.c_str(), version, maker));
    EXPECT_FALSE(CSysInfo().GetSystemFileVersion(nullptr, version, maker));
    EXPECT_EQ(version, kUntouched);
    EXPECT_EQ(maker, kUntouched);
}

std::string SystemDirectory()
{
    char systemDir[MAX_PATH] = {};
    GetSystemDirectoryA(systemDir, sizeof systemDir);
    return systemDir;
}

// Crafted DLLs copied into the prefix's system directory, queried the way the General page does.
// Copying and deleting run with the program's redirection switch off, so they land where the path
// says; a switch that fails to turn off or on again still fails RedirectionOffOnlyWhileQuerying,
// whose files differ between the two directories.
class FileVersionInSystemDir : public ::testing::Test {
protected:
    void TearDown() override
    {
        const RedirectionOff off;
        for (const std::string& file : m_copies)
            DeleteFileA(file.c_str());
    }

    // Copies `file` into `directory` as `copyName`; returns the path relative to it. By default
    // into the real system directory, the one the query reads, also under WOW64 (SysWOW64 there
    // is the directory of 32-bit processes).
    std::string Install(const char* file, const std::string& copyName,
                        const std::string& directory = SystemDirectory())
    {
        const std::string target = directory + "\\" + copyName;
        const RedirectionOff off;
        if (!CopyFileA(TestBinFile(file).c_str(), target.c_str(), FALSE))
            return std::string();
        m_copies.push_back(target);
        return "\\" + copyName;
    }

private:
    std::vector<std::string> m_copies;
};

TEST_F(FileVersionInSystemDir, QueryFollowsReadVersionStrings)
{
    const StringsCase cases[] = {
        {"file with version", "ver_cp1252.dll", true, "1.2.3.4", "Kardoskop Test Maker"},
        {"file without version resource", "ver_none.dll", false, kUntouched, kUntouched},
        {"maker without version", "ver_maker_only.dll", false, kUntouched, "Maker Without Version"},
    };
    const CSysInfo sysInfo;
    int serial = 0;
    for (const StringsCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string relative =
            Install(c.file, "kardoskop-test-" + std::to_string(++serial) + ".dll");
        ASSERT_FALSE(relative.empty()) << "copy into the system directory failed";
        std::string version = kUntouched;
        std::string maker = kUntouched;
        EXPECT_EQ(sysInfo.GetSystemFileVersion(relative.c_str(), version, maker), c.ok);
        EXPECT_EQ(version, c.version);
        EXPECT_EQ(maker, c.maker);
    }
}

// A 32-bit process on 64-bit Windows: the query reads the real system directory with redirection
// switched off, and switches it on again for the thread afterwards.
TEST_F(FileVersionInSystemDir, RedirectionOffOnlyWhileQuerying)
{
    BOOL wow64 = FALSE;
    if (!IsWow64Process(GetCurrentProcess(), &wow64) || !wow64)
        GTEST_SKIP() << "not a 32-bit process on 64-bit Windows: there is no redirection to switch";
    char wow64Dir[MAX_PATH] = {};
    ASSERT_NE(GetSystemWow64DirectoryA(wow64Dir, sizeof wow64Dir), 0u);
    const std::string name = "kardoskop-test-wow64.dll";
    ASSERT_FALSE(Install("ver_cp1252.dll", name).empty()) << "copy into the system directory failed";
    ASSERT_FALSE(Install("ver_multi.dll", name, wow64Dir).empty()) << "copy into SysWOW64 failed";

    std::string version = kUntouched;
    std::string maker = kUntouched;
    EXPECT_TRUE(CSysInfo().GetSystemFileVersion(("\\" + name).c_str(), version, maker));
    EXPECT_EQ(version, "1.2.3.4") << "not the real system directory's file";
    EXPECT_EQ(maker, "Kardoskop Test Maker");

    // Same thread, plain path: redirection is on again, so this is SysWOW64's file.
    version = maker = kUntouched;
    EXPECT_TRUE(CSysInfo().ReadVersionStrings((SystemDirectory() + "\\" + name).c_str(), version, maker));
    EXPECT_EQ(version, "3.0.0.1") << "redirection still off after the query";
    EXPECT_EQ(maker, "First Maker");
}

}  // namespace
