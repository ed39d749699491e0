// The log file on a real (Wine's) file system: the temporary file and its rename, sharing, line
// ends, and what runs that did not finish leave.
#include "report/LogFile.h"

#include "HeldQuery.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kShareAllButDelete = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A virus scanner's handle on a file, without delete sharing, let go after `holdMs` or at the end
// of its scope, whichever comes first.
class CScanner {
public:
    CScanner(const std::string& path, DWORD holdMs)
        : m_file(CreateFileA(path.c_str(), GENERIC_READ, kShareAllButDelete, nullptr, OPEN_EXISTING, 0, nullptr)),
          m_holdMs(holdMs), m_letGo(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          m_thread(CreateThread(nullptr, 0, Hold, this, 0, nullptr))
    {
    }
    ~CScanner()
    {
        SetEvent(m_letGo);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
        CloseHandle(m_letGo);
    }
    CScanner(const CScanner&) = delete;
    CScanner& operator=(const CScanner&) = delete;

    bool Holds() const { return m_file != INVALID_HANDLE_VALUE && m_thread != nullptr; }

private:
    static DWORD WINAPI Hold(LPVOID parameter)
    {
        auto* self = static_cast<CScanner*>(parameter);
        WaitForSingleObject(self->m_letGo, self->m_holdMs);
        CloseHandle(self->m_file);
        return 0;
    }

    HANDLE m_file;
    DWORD m_holdMs;
    HANDLE m_letGo;
    HANDLE m_thread;
};

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

    bool Exists() const { return GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    // The temporary file of the run of this process, as the user sees it in the folder.
    std::string TempPath() const
    {
        return m_path + ".~kardoskop-" + std::to_string(GetCurrentProcessId()) + ".tmp";
    }

    // Files beside the log whose names begin with the log's name: its temporaries.
    std::vector<std::string> Temporaries() const
    {
        const std::string own = m_path.substr(m_path.rfind('\\') + 1);
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((m_path + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return names;
        do {
            if (found.cFileName != own)
                names.push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
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

TEST_F(LogFileTest, ReplacesAnExistingFileCompletelyOnlyWhenClosed)
{
    const std::string earlier = std::string(4096, 'x') + "\nold end";
    Create(earlier);
    CLogFile file;
    ASSERT_TRUE(file.Open(m_path));
    std::string description;
    EXPECT_TRUE(file.Write("new\n", description));
    EXPECT_EQ(Contents(), earlier);
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(Contents(), "new\r\n");
    EXPECT_TRUE(Temporaries().empty());
}

TEST_F(LogFileTest, TemporaryIsSharedWithNobodyWhileOpen)
{
    CLogFile file;
    ASSERT_TRUE(file.Open(m_path));
    EXPECT_FALSE(Exists());
    HANDLE other = CreateFileA(TempPath().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(other, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);
    EXPECT_TRUE(file.Close());
    EXPECT_TRUE(Exists());
}

// A run that does not finish, or whose file cannot take the chosen name at the end, leaves the
// earlier file byte for byte (or none where there was none), and no temporary.
TEST_F(LogFileTest, UnfinishedRunsLeaveTheEarlierFile)
{
    const struct {
        const char* name;
        bool earlier;
        bool heldAtTheEnd;  // another program opens the chosen name while the report is written
    } cases[] = {
        {"abandoned over an earlier file", true, false},
        {"abandoned, no earlier file", false, false},
        {"earlier file held open at the end", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string earlier = "earlier\r\nlog";
        if (c.earlier)
            Create(earlier);
        {
            CLogFile file;
            ASSERT_TRUE(file.Open(m_path));
            std::string description;
            EXPECT_TRUE(file.Write(std::string(10000, 'n'), description));
            if (c.heldAtTheEnd) {
                HANDLE other = CreateFileA(m_path.c_str(), GENERIC_READ,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
                ASSERT_NE(other, INVALID_HANDLE_VALUE);
                EXPECT_FALSE(file.Close());
                EXPECT_TRUE(file.Failed());
                CloseHandle(other);
            }
        }
        EXPECT_EQ(Exists(), c.earlier);
        if (c.earlier) {
            EXPECT_EQ(Contents(), earlier);
        }
        EXPECT_TRUE(Temporaries().empty());
        DeleteFileA(m_path.c_str());
    }
}

// Scanners, the indexer and sync clients open a file just after it was written and hold it for a
// moment, without letting it be deleted: the replace waits for them about two seconds, then gives
// up as it would at once for any other failure.
TEST_F(LogFileTest, ReplaceWaitsAboutTwoSecondsForAProgramHoldingTheEarlierFile)
{
    const struct {
        const char* name;
        DWORD holdMs;
        bool replaced;
        DWORD leastMs;  // the close waits at least this long (its pauses, not its speed)
    } cases[] = {
        {"let go after 300 ms", 300, true, 250},
        {"held for 5 s", Stretched(5000), false, 1500},
    };
    const std::string earlier = "earlier\r\nlog";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Create(earlier);
        CLogFile file;
        ASSERT_TRUE(file.Open(m_path));
        std::string description;
        EXPECT_TRUE(file.Write("new\n", description));
        DWORD took = 0;
        {
            const DWORD start = GetTickCount();  // the scanner lets go holdMs after this at the earliest
            CScanner scanner(m_path, c.holdMs);
            ASSERT_TRUE(scanner.Holds());
            EXPECT_EQ(file.Close(), c.replaced);
            took = GetTickCount() - start;
        }
        EXPECT_GE(took, c.leastMs);
        EXPECT_EQ(file.Failed(), !c.replaced);
        EXPECT_EQ(Contents(), c.replaced ? "new\r\n" : earlier);
        EXPECT_TRUE(Temporaries().empty());
        DeleteFileA(m_path.c_str());
    }
}

// Temporaries that killed runs left are removed by the next run into the folder, whatever log they
// were for; files of other names, and the temporary of a run still writing, stay.
TEST_F(LogFileTest, RemovesOnlyLeftoverTemporaries)
{
    const std::string folder = m_path + ".d\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::vector<std::string> leftovers = {
        "PCSC_Kardoskop.log.~kardoskop-4242.tmp",
        "notes.txt.~kardoskop-7.tmp",
        "~kardoskop-99.tmp",
    };
    const std::vector<std::string> kept = {
        "PCSC_Kardoskop.log",
        "notes.~kardoskop-.tmp",
        "notes.~kardoskop-12a.tmp",
        "notes~kardoskop-12.tmp",
        "notes.~kardoskop-12.tmp.bak",
        "notes.~kardoskop-12.tm",
        "running.log.~kardoskop-5.tmp",  // held open below, as by a run that still writes
    };
    for (const auto& name : leftovers)
        std::ofstream(folder + name) << "left";
    for (const auto& name : kept)
        std::ofstream(folder + name) << "kept";
    const std::string directory = folder + "d.~kardoskop-1.tmp";
    CreateDirectoryA(directory.c_str(), nullptr);
    HANDLE running = CreateFileA((folder + kept.back()).c_str(), GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);

    CLogFile file;
    ASSERT_TRUE(file.Open(folder + "new.log"));
    EXPECT_TRUE(file.Close());
    CloseHandle(running);

    for (const auto& name : leftovers) {
        SCOPED_TRACE(name);
        EXPECT_EQ(GetFileAttributesA((folder + name).c_str()), INVALID_FILE_ATTRIBUTES);
    }
    for (const auto& name : kept) {
        SCOPED_TRACE(name);
        EXPECT_NE(GetFileAttributesA((folder + name).c_str()), INVALID_FILE_ATTRIBUTES);
        DeleteFileA((folder + name).c_str());
    }
    EXPECT_NE(GetFileAttributesA(directory.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveDirectoryA(directory.c_str());
    DeleteFileA((folder + "new.log").c_str());
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

TEST(LogTempPath, BesideTheChosenFileOrShortWhenTooLong)
{
    const std::string deep = "C:\\" + std::string(200, 'd') + "\\";
    const struct {
        const char* name;
        std::string path;
        std::string expected;
    } cases[] = {
        {"beside the chosen file", "C:\\logs\\PCSC_Kardoskop.log",
         "C:\\logs\\PCSC_Kardoskop.log.~kardoskop-4242.tmp"},
        {"just short enough", deep + std::string(35, 'n'), deep + std::string(35, 'n') + ".~kardoskop-4242.tmp"},
        {"one character longer", deep + std::string(36, 'n'), deep + "~kardoskop-4242.tmp"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(LogTempPath(c.path, 4242), c.expected);
    }
}

// An earlier file that the replace at the end could not take is refused before anything is
// written; one that another program merely reads, sharing everything, is not.
TEST_F(LogFileTest, RefusesOnlyAnEarlierFileThatCannotBeReplaced)
{
    const struct {
        const char* name;
        bool readOnly;
        bool held;
        DWORD sharing;  // of the other program's handle, while Open runs
        bool refused;
    } cases[] = {
        {"held with no sharing", false, true, 0, true},
        {"held by a reader that does not share deletion", false, true, kShareAllButDelete, true},
        {"read-only", true, false, 0, true},
        {"read by a program that shares everything", false, true, kShareAll, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Create("kept\n");
        SetFileAttributesA(m_path.c_str(), c.readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
        HANDLE other = c.held ? CreateFileA(m_path.c_str(), GENERIC_READ, c.sharing, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr)
                              : INVALID_HANDLE_VALUE;
        ASSERT_EQ(other != INVALID_HANDLE_VALUE, c.held);
        {
            CLogFile file;
            EXPECT_EQ(file.Open(m_path), !c.refused);
            EXPECT_EQ(file.IsOpen(), !c.refused);
        }
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        EXPECT_EQ(Contents(), "kept\n");  // not truncated
        SetFileAttributesA(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(m_path.c_str());
    }
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
