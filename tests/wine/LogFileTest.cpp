// The log file on a real (Wine's) file system: creation, truncation, sharing and line ends.
#include "report/LogFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        static unsigned s_serial = 0;
        m_path = std::string(temp) + "kardoskop-log-" + std::to_string(GetCurrentProcessId()) + "-" +
                 std::to_string(++s_serial) + ".log";
    }

    void TearDown() override { DeleteFileA(m_path.c_str()); }

    std::string Contents() const
    {
        std::ifstream in(m_path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    void Create(const std::string& bytes) const
    {
        std::ofstream(m_path, std::ios::binary) << bytes;
    }

    std::string m_path;
};

TEST_F(LogFileTest, WritesPiecesWithCrLfAndNothingElse)
{
    CLogFile file;
    ASSERT_TRUE(file.Open(m_path));
    std::string description;
    for (const char* piece : {"***\n", "Datum:\t\t", "", "verf\xFCgbar", "\n\n", "Ende"})
        EXPECT_TRUE(file.Write(piece, description)) << piece;
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.Failed());
    // No byte-order mark, no line end added at the end.
    EXPECT_EQ(Contents(), "***\r\nDatum:\t\tverf\xFCgbar\r\n\r\nEnde");
}

TEST_F(LogFileTest, ReplacesAnExistingFileCompletely)
{
    Create(std::string(4096, 'x') + "\nold end");
    CLogFile file;
    ASSERT_TRUE(file.Open(m_path));
    std::string description;
    EXPECT_TRUE(file.Write("new\n", description));
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Contents(), "new\r\n");
}

TEST_F(LogFileTest, IsSharedWithNobodyWhileOpen)
{
    CLogFile file;
    ASSERT_TRUE(file.Open(m_path));
    HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);
    EXPECT_TRUE(file.Close());
}

TEST_F(LogFileTest, CannotOpenAFileHeldElsewhere)
{
    Create("kept\n");
    HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    CLogFile file;
    EXPECT_FALSE(file.Open(m_path));
    EXPECT_FALSE(file.IsOpen());
    CloseHandle(other);
    EXPECT_EQ(Contents(), "kept\n");  // not truncated
}

TEST_F(LogFileTest, CannotOpenInAMissingFolder)
{
    const struct {
        const char* name;
        std::string path;
    } cases[] = {
        {"missing folder", m_path + ".d\\sub\\a.log"},
        {"a folder itself", m_path.substr(0, m_path.rfind('\\'))},
        {"empty path", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CLogFile file;
        EXPECT_FALSE(file.Open(c.path));
    }
}

TEST_F(LogFileTest, WriteWithoutAnOpenFileFailsAndIsRemembered)
{
    CLogFile file;
    std::string description;
    EXPECT_FALSE(file.Write("text\n", description));
    EXPECT_FALSE(description.empty());
    EXPECT_TRUE(file.Failed());
    EXPECT_FALSE(file.Close());
}

}  // namespace
