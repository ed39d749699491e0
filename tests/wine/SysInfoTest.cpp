// The Windows description from Wine's real version records: the test prefix's own (Windows 10,
// build 19045) in this process, which carries the program's manifest and so gets the answer the
// program gets, and the versions Wine emulates for versionprobe.exe, which carries no manifest.
#include "sysinfo/SysInfo.h"

#include "SysInfoProbe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

namespace {

// Without the manifest's compatibility section Windows 8.1 and later (and Wine) would give 6.2,
// build 9200 here.
TEST(SysInfo, RecordOfTestPrefixIsWindows10)
{
    const OsVersionInfo& info = OsVersion();
    EXPECT_EQ(info.platformId, kPlatformWin32Nt);
    EXPECT_EQ(info.majorVersion, 10);
    EXPECT_EQ(info.minorVersion, 0);
    EXPECT_EQ(info.buildNumber, 19045);
    EXPECT_EQ(info.servicePack, "");
    EXPECT_EQ(info.productType, kNtWorkstation);
}

TEST(SysInfo, DescriptionOfTestPrefix)
{
    char text[kOsTextSize];
    std::memset(text, 'x', sizeof text);
    CSysInfo sysInfo;
    ASSERT_TRUE(sysInfo.GetOsDescription(text));
    // No row names 10.0: the short name stays empty, and the build tells 10 from 11.
    const char expected[] = "Windows  Professional, Version 10.00, Product = 0x1, Suite = 0x0\n"
                            "(Build 19045)";
    ASSERT_LT(std::strlen(text), sizeof text) << "text not terminated";
    EXPECT_STREQ(text, expected);
}

TEST(SysInfo, TestPrefixIsNotVista)
{
    EXPECT_FALSE(CSysInfo().IsWindowsVista());
}

TEST(SysInfo, DescribesVersionsWineEmulates)
{
    struct VersionCase {
        const char* wineVersion;
        const char* description;  // line feed as \n, as the probe prints it
        const char* vista;
    };
    const VersionCase cases[] = {
        {"winxp", "Windows XP Professional, Version 5.01, Product = 0x1, Suite = 0x100\\n"
                  "(Build 2600 Service Pack 3)", "0"},
        {"vista", "Windows Vista Professional, Version 6.00, Product = 0x1, Suite = 0x100\\n"
                  "(Build 6002 Service Pack 2)", "1"},
        {"win2003", "Windows 2003 Terminal Server, Version 5.02, Product = 0x3, Suite = 0x100\\n"
                    "(Build 3790 Service Pack 2)", "0"},
        {"win2k", "Windows 2000 Professional, Version 5.00, Product = 0x1, Suite = 0x0\\n"
                  "(Build 2195 Service Pack 4)", "0"},
        {"nt40", "Windows NT, Version 4.00, Product = 0x0, Suite = 0x0\\n(Build 1381 Service Pack 6a)",
         "0"},
        {"win98", "Windows 98, Version 4.10, Product = 0x0, Suite = 0x0\\n(Build 2222  A )", "0"},
        // A program without the compatibility section is told 6.2 on Windows 8.1 and later.
        {"win10", "Windows Unknown NT Professional, Version 6.02, Product = 0x1, Suite = 0x100\\n"
                  "(Build 9200)", "0"},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        auto answers = RunVersionProbe(c.wineVersion);
        ASSERT_FALSE(answers.empty()) << "versionprobe.exe did not run";
        EXPECT_EQ(answers["os"], c.description);
        EXPECT_EQ(answers["vista"], c.vista);
    }
}

}  // namespace
