// The firmware query against the vendor-DLL stand-ins. The DLL is loaded by its bare name and never
// freed, so one process sees one DLL: each suite runs in a process of its own, chosen by
// KARDOSKOP_VENDORFW ("missing", "noexport" or "answering"; the stand-in's folder in
// KARDOSKOP_VENDORFW_DIR), and skips in any other process.
#include "sysinfo/FirmwareQuery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char kDllName[] = "tvkscrfwcheck.dll";

std::string Environment(const char* name)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    return length > 0 && length < sizeof buffer ? std::string(buffer, length) : std::string();
}

bool ProcessIsFor(const char* standIn)
{
    return Environment("KARDOSKOP_VENDORFW") == standIn;
}

// Points the search for the DLL at the stand-in's folder before the first load.
void UseStandInFolder()
{
    const std::string dir = Environment("KARDOSKOP_VENDORFW_DIR");
    ASSERT_FALSE(dir.empty()) << "KARDOSKOP_VENDORFW_DIR not set";
    ASSERT_TRUE(SetDllDirectoryA(dir.c_str())) << dir;
}

// Text buffers of the documented size followed by guard bytes, cleared as every caller clears them.
struct Buffers {
    static constexpr std::size_t kGuard = 8;
    char firmware[kVersionTextSize + kGuard];
    char emv[kVersionTextSize + kGuard];

    Buffers()
    {
        std::memset(firmware, 0, kVersionTextSize);
        std::memset(emv, 0, kVersionTextSize);
        std::memset(firmware + kVersionTextSize, '#', kGuard);
        std::memset(emv + kVersionTextSize, '#', kGuard);
    }

    bool GuardsIntact() const
    {
        for (std::size_t i = kVersionTextSize; i < kVersionTextSize + kGuard; ++i) {
            if (firmware[i] != '#' || emv[i] != '#')
                return false;
        }
        return true;
    }
};

TEST(FirmwareQueryMissing, ReportsLibraryMissingAndLeavesTextsAlone)
{
    if (!ProcessIsFor("missing"))
        GTEST_SKIP() << "runs in the process for KARDOSKOP_VENDORFW=missing";
    ASSERT_EQ(GetModuleHandleA(kDllName), nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first query" : "repeated query");
        Buffers b;
        EXPECT_EQ(QueryFirmwareVersion(0x1000, "Talvek CCR 4000 0", b.firmware, b.emv),
                  FwLibraryMissing);
        EXPECT_STREQ(b.firmware, "");
        EXPECT_STREQ(b.emv, "");
    }
}

TEST(FirmwareQueryNoExport, ReportsEntryMissingAndKeepsDllLoaded)
{
    if (!ProcessIsFor("noexport"))
        GTEST_SKIP() << "runs in the process for KARDOSKOP_VENDORFW=noexport";
    ASSERT_EQ(GetModuleHandleA(kDllName), nullptr);
    UseStandInFolder();
    Buffers b;
    EXPECT_EQ(QueryFirmwareVersion(0x1000, "Talvek CCR 4000 0", b.firmware, b.emv),
              FwEntryMissing);
    EXPECT_STREQ(b.firmware, "");
    EXPECT_STREQ(b.emv, "");
    EXPECT_NE(GetModuleHandleA(kDllName), nullptr);
}

class FirmwareQueryAnswering : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (ProcessIsFor("answering"))
            UseStandInFolder();
    }

    void SetUp() override
    {
        if (!ProcessIsFor("answering"))
            GTEST_SKIP() << "runs in the process for KARDOSKOP_VENDORFW=answering";
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        const std::string base =
            std::string(dir) + "kardoskop_fw_" + std::to_string(GetCurrentProcessId());
        m_scenario = base + ".txt";
        m_journal = base + ".journal";
        SetEnvironmentVariableA("KARDOSKOP_SCENARIO", m_scenario.c_str());
        DeleteFileA(m_journal.c_str());
    }

    void TearDown() override
    {
        SetEnvironmentVariableA("KARDOSKOP_FW_JOURNAL", nullptr);
        DeleteFileA(m_scenario.c_str());
        DeleteFileA(m_journal.c_str());
    }

    void WriteScenario(const std::string& text)
    {
        std::ofstream(m_scenario, std::ios::binary) << text;
    }

    std::string ReadJournal() const
    {
        std::ifstream in(m_journal, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_scenario;
    std::string m_journal;
};

const char kScenario[] =
    "[reader Talvek CCR 4000 0]\n"
    "firmware = 0 0x01020304 0 0x01000000\n"
    "[reader Talvek CLR 2000-RF 0]\n"
    "firmware = 0 0x010A0B0C 0x55 0\n"
    "[reader Talvek Zero 0]\n"
    "firmware = 0 0 0 0x10203\n"
    "[reader Talvek Wide 0]\n"
    "firmware = 0 0xFFFFFFFF 0 0x12345678\n"
    "[reader Morvex 7150 0]\n"
    "firmware = 0x80100009 0x01020304 0 0x01000000\n"
    "[reader Talvek Minus One 0]\n"
    "firmware = 0xFFFFFFFF 0x01020304 0 0x01000000\n"
    "[reader Talvek One 0]\n"
    "firmware = 1 0x01020304 0 0x01000000\n"
    "[reader Talvek Silent 0]\n"
    "card = present\n";

struct AnswerCase {
    const char* name;
    const char* reader;
    FirmwareQueryStatus status;
    const char* firmware;
    const char* emv;
};

TEST_F(FirmwareQueryAnswering, TurnsAnswersIntoStatusAndTexts)
{
    WriteScenario(kScenario);
    const AnswerCase cases[] = {
        {"firmware and EMV", "Talvek CCR 4000 0", FwAndEmv, "1.02.03.04", "1.00.00.00"},
        {"EMV value 0: firmware only", "Talvek CLR 2000-RF 0", FwOnly, "1.0a.0b.0c", ""},
        {"firmware value 0 still counts", "Talvek Zero 0", FwAndEmv, "0.", "1.02.03."},
        {"eight digits fill the buffers exactly", "Talvek Wide 0", FwAndEmv, "f.ff.ff.ff",
         "1.23.45.67"},
        {"PC/SC error code: values not shown", "Morvex 7150 0", FwQueryFailed, "", ""},
        {"negative result", "Talvek Minus One 0", FwQueryFailed, "", ""},
        {"result 1", "Talvek One 0", FwQueryFailed, "", ""},
        {"reader without an answer", "Talvek Silent 0", FwQueryFailed, "", ""},
        {"reader the DLL does not know", "Talvek Elsewhere 0", FwQueryFailed, "", ""},
    };
    for (const AnswerCase& c : cases) {
        SCOPED_TRACE(c.name);
        Buffers b;
        EXPECT_EQ(QueryFirmwareVersion(0x1000, c.reader, b.firmware, b.emv), c.status);
        EXPECT_STREQ(b.firmware, c.firmware);
        EXPECT_STREQ(b.emv, c.emv);
        EXPECT_TRUE(b.GuardsIntact());
    }
    EXPECT_NE(GetModuleHandleA(kDllName), nullptr) << "the DLL stays loaded";
}

// Leaves a recognisable pattern where the next call's locals will live.
__attribute__((noinline)) void SoilStack()
{
    volatile unsigned char junk[4096];
    for (volatile unsigned char& byte : junk)
        byte = 0xA5;
}

TEST_F(FirmwareQueryAnswering, PassesContextNameAndZeroedValues)
{
    WriteScenario(kScenario);
    SetEnvironmentVariableA("KARDOSKOP_FW_JOURNAL", m_journal.c_str());
    // The second query reuses the stack of the first, which left the DLL's values there: a caller
    // that did not clear them would hand them back to the DLL.
    SoilStack();
    for (int round = 0; round < 2; ++round) {
        Buffers b;
        EXPECT_EQ(QueryFirmwareVersion(0x1234ABCD, "Talvek CLR 2000-RF 0", b.firmware, b.emv),
                  FwOnly);
    }
    const std::string line =
        "0x1234abcd 0x00000000 0x00000000 0x00000000 ok Talvek CLR 2000-RF 0\n";
    EXPECT_EQ(ReadJournal(), line + line);
}

}  // namespace
