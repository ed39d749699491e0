#include "TraceCapture.h"

#include <gtest/gtest.h>

namespace {

DWORD WINAPI TraceFromThread(LPVOID)
{
    OutputDebugStringA("from the worker\n");
    return 0;
}

}  // namespace

TEST(TraceCapture, RecordsDebuggerOutputInOrder)
{
    TraceCapture capture;
    ASSERT_TRUE(capture.Installed());
    OutputDebugStringA("first\n");
    OutputDebugStringA("");
    OutputDebugStringA("second\r\n");
    EXPECT_EQ("first\nsecond\r\n", capture.Text());
    EXPECT_EQ(1u, capture.Count("first\n"));
}

TEST(TraceCapture, RecordsOtherThreads)
{
    TraceCapture capture;
    HANDLE thread = CreateThread(nullptr, 0, TraceFromThread, nullptr, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ("from the worker\n", capture.Text());
}

TEST(TraceCapture, StopsRecordingWhenDestroyed)
{
    {
        TraceCapture first;
        OutputDebugStringA("before\n");
    }
    TraceCapture second;
    OutputDebugStringA("after\n");
    EXPECT_EQ("after\n", second.Text());
}
