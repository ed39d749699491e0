#include "sysinfo/OsDescription.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

OsVersionInfo Nt(unsigned major, unsigned minor, std::uint16_t product, std::uint16_t suite,
                 std::uint16_t build = 2600, const char* servicePack = "")
{
    OsVersionInfo info;
    info.platformId = kPlatformWin32Nt;
    info.majorVersion = static_cast<std::uint8_t>(major);
    info.minorVersion = static_cast<std::uint8_t>(minor);
    info.buildNumber = build;
    info.servicePack = servicePack;
    info.productType = product;
    info.suiteMask = suite;
    return info;
}

OsVersionInfo Win9x(unsigned minor, std::uint16_t build, const char* servicePack)
{
    OsVersionInfo info;
    info.platformId = kPlatformWin32Windows;
    info.majorVersion = 4;
    info.minorVersion = static_cast<std::uint8_t>(minor);
    info.buildNumber = build;
    info.servicePack = servicePack;
    return info;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}

std::string SecondLine(const std::string& text)
{
    const std::size_t lineFeed = text.find('\n');
    return lineFeed == std::string::npos ? std::string() : text.substr(lineFeed + 1);
}

OsMetrics Metrics(int tabletPc, int mediaCenter, int starter, int serverR2)
{
    OsMetrics metrics;
    metrics.tabletPc = tabletPc;
    metrics.mediaCenter = mediaCenter;
    metrics.starter = starter;
    metrics.serverR2 = serverR2;
    return metrics;
}

struct DescriptionCase {
    const char* name;
    OsVersionInfo info;
    OsMetrics metrics;
    const char* firstLine;
    const char* secondLine;  // nullptr: not checked
};

TEST(OsDescription, DescribesKnownSystems)
{
    const OsMetrics none;
    const DescriptionCase cases[] = {
        {"XP Professional SP3", Nt(5, 1, 1, 0x0100, 2600, "Service Pack 3"), none,
         "Windows XP Professional, Version 5.01, Product = 0x1, Suite = 0x100",
         "(Build 2600 Service Pack 3)"},
        {"XP Home", Nt(5, 1, 1, 0x0300, 2600, "Service Pack 3"), none,
         "Windows XP Home, Version 5.01, Product = 0x1, Suite = 0x300", "(Build 2600 Service Pack 3)"},
        {"XP Media Center", Nt(5, 1, 1, 0x0100, 2600, "Service Pack 3"), Metrics(0, 1, 0, 0),
         "Windows XP Professional Media Center Edition, Version 5.01, Product = 0x1, Suite = 0x100",
         nullptr},
        {"2003 R2 Enterprise terminal server", Nt(5, 2, 3, 0x0112), Metrics(0, 0, 0, 1),
         "Windows 2003 R2 Enterprise Edition Terminal Server, Version 5.02, Product = 0x3, Suite = 0x112",
         nullptr},
        {"2003 without R2 metric", Nt(5, 2, 3, 0x0000), none,
         "Windows 2003 Server, Version 5.02, Product = 0x3, Suite = 0x0", nullptr},
        {"2000 Advanced Server", Nt(5, 0, 3, 0x0002), none,
         "Windows 2000 Advanced Server Server, Version 5.00, Product = 0x3, Suite = 0x2", nullptr},
        {"Vista", Nt(6, 0, 1, 0x0100, 6002, "Service Pack 2"), none,
         "Windows Vista Professional, Version 6.00, Product = 0x1, Suite = 0x100",
         "(Build 6002 Service Pack 2)"},
        {"7 SP1 is not named", Nt(6, 1, 1, 0x0100, 7601, "Service Pack 1"), none,
         "Windows Unknown NT Professional, Version 6.01, Product = 0x1, Suite = 0x100",
         "(Build 7601 Service Pack 1)"},
        {"8 is not named", Nt(6, 2, 1, 0x0100, 9200), none,
         "Windows Unknown NT Professional, Version 6.02, Product = 0x1, Suite = 0x100", nullptr},
        {"8.1 is not named", Nt(6, 3, 1, 0x0100, 9600), none,
         "Windows Unknown NT Professional, Version 6.03, Product = 0x1, Suite = 0x100", nullptr},
        {"NT 4 without extended record", Nt(4, 0, 0, 0, 1381, "Service Pack 6"), none,
         "Windows NT, Version 4.00, Product = 0x0, Suite = 0x0", "(Build 1381 Service Pack 6)"},
        {"95", Win9x(0, 950, ""), none, "Windows 95, Version 4.00, Product = 0x0, Suite = 0x0",
         "(Build 950)"},
        {"98", Win9x(10, 2222, ""), none, "Windows 98, Version 4.10, Product = 0x0, Suite = 0x0",
         "(Build 2222)"},
        {"ME", Win9x(90, 3000, ""), none, "Windows ME, Version 4.90, Product = 0x0, Suite = 0x0",
         "(Build 3000)"},
        {"98 SE: service-pack text with its own blanks", Win9x(10, 2222, " A "), none, nullptr,
         "(Build 2222  A )"},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = DescribeOs(c.info, c.metrics);
        if (c.firstLine) {
            EXPECT_EQ(FirstLine(text), c.firstLine);
        }
        if (c.secondLine) {
            EXPECT_EQ(SecondLine(text), c.secondLine);
        }
    }
}

TEST(OsDescription, VersionsWithoutNameLeaveTheNameEmpty)
{
    const OsMetrics none;
    const DescriptionCase cases[] = {
        {"NT 10.0 workstation", Nt(10, 0, 1, 0x0100), none,
         "Windows  Professional, Version 10.00, Product = 0x1, Suite = 0x100", nullptr},
        {"NT 3.51 without product", Nt(3, 51, 0, 0), none,
         "Windows , Version 3.51, Product = 0x0, Suite = 0x0", nullptr},
        {"platform 0", OsVersionInfo{}, none, "Windows , Version 0.00, Product = 0x0, Suite = 0x0",
         "(Build 0)"},
        {"9x minor version of no release", Win9x(50, 1, ""), none,
         "Windows , Version 4.50, Product = 0x0, Suite = 0x0", nullptr},
    };
    for (const DescriptionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string text = DescribeOs(c.info, c.metrics);
        EXPECT_EQ(FirstLine(text), c.firstLine);
        if (c.secondLine) {
            EXPECT_EQ(SecondLine(text), c.secondLine);
        }
    }
}

struct EditionCase {
    const char* name;
    OsVersionInfo info;
    const char* start;  // the first line up to ", Version"
};

TEST(OsDescription, EditionWordsFollowProductAndSuite)
{
    const EditionCase cases[] = {
        {"workstation with back office bit", Nt(5, 1, 1, 0x0004), "Windows XP"},
        {"workstation with storage server bit", Nt(5, 1, 1, 0x2000), "Windows XP"},
        {"home outranks the back office bit", Nt(5, 1, 1, 0x0204), "Windows XP Home"},
        {"embedded professional", Nt(5, 1, 1, 0x0040), "Windows XP Embedded Professional"},
        {"embedded home", Nt(5, 1, 1, 0x0240), "Windows XP Embedded Home"},
        {"embedded with storage server bit", Nt(5, 1, 1, 0x2040), "Windows XP Embedded"},
        {"server without terminal bits", Nt(5, 2, 3, 0x0000), "Windows 2003 Server"},
        {"domain controller", Nt(5, 0, 2, 0x0000), "Windows 2000 Server"},
        {"back office makes a terminal server", Nt(5, 2, 3, 0x0004), "Windows 2003 Terminal Server"},
        {"enterprise on 2003", Nt(5, 2, 3, 0x0002), "Windows 2003 Enterprise Edition Server"},
        {"enterprise on Vista", Nt(6, 0, 3, 0x0002), "Windows Vista Enterprise Edition Server"},
        {"all five server words", Nt(5, 2, 3, 0x4582),
         "Windows 2003 Enterprise Edition Datacenter Terminal Server Web Edition Cluster Edition"},
        {"datacenter 2000", Nt(5, 0, 3, 0x0082), "Windows 2000 Advanced Server Datacenter Server"},
        {"product type of no kind known", Nt(5, 2, 7, 0x0000), "Windows 2003 Server"},
        {"unnamed server version", Nt(10, 0, 3, 0x0000), "Windows  Server"},
    };
    for (const EditionCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = FirstLine(DescribeOs(c.info, OsMetrics{}));
        EXPECT_EQ(line.substr(0, line.find(", Version")), c.start);
    }
}

struct ExtraCase {
    const char* name;
    OsVersionInfo info;
    OsMetrics metrics;
    const char* start;
};

TEST(OsDescription, XpEditionMetricsLaterOnesWin)
{
    const OsVersionInfo xp = Nt(5, 1, 1, 0x0100);
    const ExtraCase cases[] = {
        {"starter", xp, Metrics(0, 0, 1, 0), "Windows XP Professional Starter Edition"},
        {"tablet", xp, Metrics(1, 0, 0, 0), "Windows XP Professional Tablet PC Edition"},
        {"starter over media center", xp, Metrics(0, 1, 1, 0), "Windows XP Professional Starter Edition"},
        {"tablet over starter and media center", xp, Metrics(1, 1, 1, 0),
         "Windows XP Professional Tablet PC Edition"},
        {"R2 metric means nothing on XP", xp, Metrics(0, 0, 0, 1), "Windows XP Professional"},
        {"media center metric only counts on XP", Nt(6, 1, 1, 0x0100), Metrics(1, 1, 1, 1),
         "Windows Unknown NT Professional"},
        {"nor on 2003", Nt(5, 2, 3, 0), Metrics(1, 1, 1, 0), "Windows 2003 Server"},
    };
    for (const ExtraCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string line = FirstLine(DescribeOs(c.info, c.metrics));
        EXPECT_EQ(line.substr(0, line.find(", Version")), c.start);
    }
}

TEST(OsDescription, TooLongServicePackIsLeftOutButTheLineIsClosed)
{
    const OsVersionInfo info = Nt(5, 1, 1, 0x0100, 2600, std::string(600, 'x').c_str());
    const std::string text = DescribeOs(info, OsMetrics{});
    EXPECT_EQ(SecondLine(text), "(Build 2600)");
}

TEST(OsDescription, ServicePackIsJoinedOnlyWhileTwoPlacesStayFree)
{
    const OsVersionInfo base = Nt(5, 1, 1, 0x0100, 2600);
    const std::size_t used = DescribeOs(base, OsMetrics{}).size() - 1;  // without ")"
    const std::size_t longestTaken = kOsTextSize - 3 - used;

    OsVersionInfo fits = base;
    fits.servicePack.assign(longestTaken, 'y');
    const std::string taken = DescribeOs(fits, OsMetrics{});
    EXPECT_EQ(taken.size(), kOsTextSize - 1);
    EXPECT_EQ(taken.back(), ')');

    OsVersionInfo tooLong = base;
    tooLong.servicePack.assign(longestTaken + 1, 'y');
    EXPECT_EQ(SecondLine(DescribeOs(tooLong, OsMetrics{})), "(Build 2600)");
}

TEST(OsDescription, BufferReceivesTextCutToCapacity)
{
    const OsVersionInfo info = Nt(5, 1, 1, 0x0100, 2600, "Service Pack 3");
    const std::string whole = DescribeOs(info, OsMetrics{});

    struct CapacityCase {
        const char* name;
        std::size_t capacity;
        std::size_t written;
    };
    const CapacityCase cases[] = {
        {"room to spare", kOsTextSize, whole.size()},
        {"the text and its terminator", whole.size() + 1, whole.size()},
        {"exactly the text: the terminator takes the last place", whole.size(), whole.size() - 1},
        {"smaller than the text", 10, 9},
        {"one character: the terminator alone", 1, 0},
        {"nothing", 0, 0},
    };
    for (const CapacityCase& c : cases) {
        SCOPED_TRACE(c.name);
        char buffer[kOsTextSize + 1];
        std::memset(buffer, '#', sizeof buffer);
        std::size_t size = c.capacity;
        DescribeOs(info, OsMetrics{}, buffer, size);
        EXPECT_EQ(size, c.written);
        EXPECT_EQ(std::string(buffer, size), whole.substr(0, c.written));
        if (c.capacity > 0) {
            EXPECT_EQ(buffer[size], '\0') << "no terminator after the text";
        }
        for (std::size_t i = size; i < c.capacity; ++i)
            ASSERT_EQ(buffer[i], '\0') << "at " << i;
        EXPECT_EQ(buffer[c.capacity], '#') << "written beyond the capacity";
    }
}

TEST(OsDescription, VistaIsExactlyNtSixZero)
{
    struct VistaCase {
        const char* name;
        OsVersionInfo info;
        bool vista;
    };
    OsVersionInfo nineXSixZero = Win9x(0, 1, "");
    nineXSixZero.majorVersion = 6;
    const VistaCase cases[] = {
        {"Vista", Nt(6, 0, 1, 0), true},
        {"Vista server", Nt(6, 0, 3, 0), true},
        {"7", Nt(6, 1, 1, 0), false},
        {"8", Nt(6, 2, 1, 0), false},
        {"10", Nt(10, 0, 1, 0), false},
        {"XP", Nt(5, 1, 1, 0), false},
        {"2003", Nt(5, 2, 3, 0), false},
        {"2000", Nt(5, 0, 1, 0), false},
        {"NT 4", Nt(4, 0, 0, 0), false},
        {"6.0 on the 9x platform", nineXSixZero, false},
    };
    for (const VistaCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsVistaVersion(c.info), c.vista);
    }
}

}  // namespace
