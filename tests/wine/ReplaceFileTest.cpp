// Replacing a file that a reader holds open for a moment, as the scenario is replaced while the
// simulated winscard.dll reads it.
#include "ReplaceFile.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

class ReplaceFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        const std::string base = std::string(dir) + "kardoskop_replace_" + std::to_string(GetCurrentProcessId());
        m_target = base + ".txt";
        m_source = base + ".new";
        Write(m_target, "old");
        Write(m_source, "new");
    }

    void TearDown() override
    {
        DeleteFileA(m_target.c_str());
        DeleteFileA(m_source.c_str());
    }

    static void Write(const std::string& path, const std::string& text)
    {
        std::ofstream(path, std::ios::binary) << text;
    }

    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    std::string m_target;
    std::string m_source;
};

struct Holder {
    HANDLE file;
    DWORD holdMs;
};

DWORD WINAPI CloseLater(LPVOID parameter)
{
    Holder* holder = static_cast<Holder*>(parameter);
    Sleep(holder->holdMs);
    CloseHandle(holder->file);
    return 0;
}

TEST_F(ReplaceFileTest, WaitsUntilTheReaderHasClosedTheFile)
{
    const struct {
        const char* name;
        DWORD share;
    } cases[] = {
        // As the simulated winscard.dll opens the scenario.
        {"reader shares read, write and delete", FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE},
        // As the C++ library's streams open a file (the vendor-DLL stand-in).
        {"reader shares read and write", FILE_SHARE_READ | FILE_SHARE_WRITE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(m_target, "old");
        Write(m_source, "new");
        HANDLE file = CreateFileA(m_target.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        Holder holder{file, 200};
        HANDLE thread = CreateThread(nullptr, 0, CloseLater, &holder, 0, nullptr);
        ASSERT_NE(thread, nullptr);

        EXPECT_TRUE(ReplaceFileWhenFree(m_source, m_target));
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_EQ(Read(m_target), "new");
        EXPECT_EQ(GetFileAttributesA(m_source.c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(ReplaceFileTest, GivesUpWhenTheFileStaysOpen)
{
    HANDLE file = CreateFileA(m_target.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ReplaceFileWhenFree(m_source, m_target, 150));
    const DWORD elapsed = GetTickCount() - start;
    CloseHandle(file);
    EXPECT_GE(elapsed, 140u);
    EXPECT_LT(elapsed, 1500u);
    EXPECT_EQ(Read(m_target), "old");
    EXPECT_EQ(Read(m_source), "new");
}

TEST_F(ReplaceFileTest, OtherErrorsEndAtOnce)
{
    const std::string missing = m_source + ".missing";
    const DWORD start = GetTickCount();
    EXPECT_FALSE(ReplaceFileWhenFree(missing, m_target, 5000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(Read(m_target), "old");
}

}  // namespace
