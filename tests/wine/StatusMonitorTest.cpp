// The monitor thread against the simulated winscard.dll: reports arrive as posted messages at a
// message-only window, one-shot answers through the block and its event.
#include "pcsc/StatusMonitor.h"

#include "HeldQuery.h"
#include "ReplaceFile.h"
#include "TraceCapture.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Report {
    std::int32_t kind;
    std::string reader;
    std::uint32_t generation;
    std::vector<unsigned char> atr;  // bytes 1..n of the block
    bool hadAtrBlock;
    MonitorEvent* event;              // still owned by the test until accepted or freed
    unsigned char* atrBlock;
};

std::vector<Report> g_reports;

LRESULT CALLBACK ReceiverProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_READER_EVENT) {
        auto* event = reinterpret_cast<MonitorEvent*>(wParam);
        auto* atr = reinterpret_cast<unsigned char*>(lParam);
        Report r{event->kind, event->readerName, event->generation, {}, atr != nullptr, event, atr};
        if (atr)
            r.atr.assign(atr + 1, atr + 1 + atr[0]);
        g_reports.push_back(r);
        return 0;
    }
    return DefWindowProcA(hWnd, msg, wParam, lParam);
}

class StatusMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        m_scenario = std::string(dir) + "kardoskop_monitor_" + std::to_string(GetCurrentProcessId()) + ".txt";
        SetEnvironmentVariableA("KARDOSKOP_SCENARIO", m_scenario.c_str());
        WriteScenario("");

        WNDCLASSA wc = {};
        wc.lpfnWndProc = ReceiverProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KardoskopMonitorReceiver";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_NE(m_hWnd, nullptr);
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_hContext), 0);
        g_reports.clear();
    }

    void TearDown() override
    {
        m_monitor.StopMonitor();
        Pump(50);
        for (Report& r : g_reports) {
            std::free(r.atrBlock);
            FreeMonitorEvent(r.event);
        }
        g_reports.clear();
        SCardReleaseContext(m_hContext);
        DestroyWindow(m_hWnd);
        DeleteFileA(m_scenario.c_str());
    }

    // Replaces the scenario the way a test of a running program must: write aside, then rename
    // (again, should the monitor's poll be reading the file at that moment).
    void WriteScenario(const std::string& text)
    {
        std::string temp = m_scenario + ".new";
        std::ofstream(temp, std::ios::binary) << text;
        ASSERT_TRUE(ReplaceFileWhenFree(temp, m_scenario));
    }

    // Dispatches messages for `ms` milliseconds, or until `count` reports have arrived.
    void Pump(DWORD ms, size_t count = SIZE_MAX)
    {
        DWORD start = GetTickCount();
        while (GetTickCount() - start < ms && g_reports.size() < count) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
        }
    }

    // Hands a received report to the monitor as the card-event handler will.
    bool Accept(Report& r)
    {
        bool accepted = m_monitor.AcceptReport(r.event, r.atrBlock);
        if (accepted)
            std::free(r.atrBlock);
        r.event = nullptr;
        r.atrBlock = nullptr;
        return accepted;
    }

    std::string m_scenario;
    HWND m_hWnd = nullptr;
    SCARDCONTEXT m_hContext = 0;
    CStatusMonitor m_monitor;
};

const char kReader[] = "Talvek CCR 4000 0";
const char kAtr[] = "3B 96 11 81 31 FE 45 01 02 03 04 05 06";
const std::vector<unsigned char> kAtrBytes = {0x3B, 0x96, 0x11, 0x81, 0x31, 0xFE, 0x45,
                                              0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

std::string ReaderWith(const std::string& card, const std::string& extra = "",
                       const std::string& name = kReader)
{
    return "[reader " + name + "]\ncard = " + card + "\natr = " + kAtr + "\n" + extra;
}

TEST_F(StatusMonitorTest, ReportsEmptyReaderThenInsertionAndRemoval)
{
    TraceCapture traces;
    ASSERT_TRUE(traces.Installed());
    WriteScenario(ReaderWith("absent"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].kind, ReaderEmpty);
    EXPECT_FALSE(g_reports[0].hadAtrBlock);
    EXPECT_EQ(g_reports[0].reader, kReader);

    Pump(600);
    EXPECT_EQ(g_reports.size(), 1u) << "an unchanged reader is reported once";

    WriteScenario(ReaderWith("present"));
    Pump(2000, 2);
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[1].kind, CardPresent);
    EXPECT_EQ(g_reports[1].atr, kAtrBytes);

    WriteScenario(ReaderWith("absent"));
    Pump(2000, 3);
    ASSERT_EQ(g_reports.size(), 3u);
    EXPECT_EQ(g_reports[2].kind, ReaderEmpty);

    m_monitor.StopMonitor();
    EXPECT_EQ(traces.Count("Reader Empty\n"), 2u);
    EXPECT_EQ(traces.Count("Card in Reader\n"), 1u);
    EXPECT_EQ(traces.Count(" created\n"), 1u);
    EXPECT_EQ(traces.Text().find("ThreadHandle: "), 0u);
    EXPECT_EQ(traces.Count("Terminating Thread\r\n"), 1u);
}

TEST_F(StatusMonitorTest, OnlyTheLowEightStateBitsCountAsChange)
{
    WriteScenario(ReaderWith("present"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].kind, CardPresent);

    WriteScenario(ReaderWith("present", "flags = 0x100\nevents = 7\n"));  // in use, counter
    Pump(700);
    EXPECT_EQ(g_reports.size(), 1u);

    WriteScenario(ReaderWith("present", "flags = 0x80\n"));  // taken exclusively
    Pump(2000, 2);
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[1].kind, CardPresent);
    EXPECT_EQ(g_reports[1].atr, kAtrBytes);
}

TEST_F(StatusMonitorTest, CarriesAtrsOfEveryLength)
{
    const struct {
        const char* name;
        std::string atr;
        size_t length;
    } cases[] = {
        {"no ATR", "", 0},
        {"4 bytes", "3B 02 14 50", 4},
        {"36 bytes", std::string(72, 'A'), 36},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_reports.clear();
        WriteScenario(std::string("[reader ") + kReader + "]\ncard = present\natr = " + c.atr + "\n");
        m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
        Pump(2000, 1);
        ASSERT_EQ(g_reports.size(), 1u);
        EXPECT_EQ(g_reports[0].atr.size(), c.length);
        EXPECT_TRUE(Accept(g_reports[0]));
        m_monitor.StopMonitor();
    }
}

TEST_F(StatusMonitorTest, UnavailableReaderIsNotReportedUntilItReturns)
{
    WriteScenario(ReaderWith("unavailable"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(600);
    EXPECT_TRUE(g_reports.empty());

    WriteScenario("");  // unplugged: the status call fails
    Pump(600);
    EXPECT_TRUE(g_reports.empty());

    WriteScenario(ReaderWith("absent"));
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].kind, ReaderEmpty);
}

TEST_F(StatusMonitorTest, CarriesTheFullReaderName)
{
    const std::string name = "Talvek " + std::string(247, 'n');  // 254 characters
    WriteScenario(ReaderWith("absent", "", name));
    m_monitor.StartMonitor(m_hWnd, m_hContext, name, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_EQ(g_reports[0].reader, name);
}

TEST_F(StatusMonitorTest, OneShotAnswersCardPresentThroughTheBlock)
{
    WriteScenario(ReaderWith("present"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    MonitorBlock& block = m_monitor.Block();
    ASSERT_NE(block.hEvent, nullptr);
    ASSERT_EQ(WaitForSingleObject(block.hEvent, 1500), WAIT_OBJECT_0);
    EXPECT_EQ(block.result, CardPresent);
    ASSERT_EQ(block.atr[0], kAtrBytes.size());
    EXPECT_EQ(std::vector<unsigned char>(block.atr + 1, block.atr + 1 + block.atr[0]), kAtrBytes);

    ASSERT_EQ(WaitForSingleObject(m_monitor.Thread(), 1000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeThread(m_monitor.Thread(), &code);
    EXPECT_EQ(code, 0u);
    Pump(300);
    EXPECT_TRUE(g_reports.empty()) << "one-shot mode posts nothing";
}

TEST_F(StatusMonitorTest, OneShotOnEmptyReaderLeavesAtrUntouched)
{
    WriteScenario(ReaderWith("absent"));
    MonitorBlock& block = m_monitor.Block();
    std::memset(block.atr, 0xAA, sizeof block.atr);
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    ASSERT_EQ(WaitForSingleObject(block.hEvent, 1500), WAIT_OBJECT_0);
    EXPECT_EQ(block.result, ReaderEmpty);
    EXPECT_EQ(block.atr[0], 0xAA);
}

TEST_F(StatusMonitorTest, EveryOneShotStartGetsAFreshUnsignalledEvent)
{
    WriteScenario(ReaderWith("present"));
    MonitorBlock& block = m_monitor.Block();
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    ASSERT_EQ(WaitForSingleObject(block.hEvent, 1500), WAIT_OBJECT_0);

    WriteScenario(ReaderWith("absent", "delay = 300\n"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    ASSERT_NE(block.hEvent, nullptr);
    EXPECT_EQ(WaitForSingleObject(block.hEvent, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    ASSERT_EQ(WaitForSingleObject(block.hEvent, 1500), WAIT_OBJECT_0);
    EXPECT_EQ(block.result, ReaderEmpty);
}

TEST_F(StatusMonitorTest, StopReleasesTheLastEventAndAStopWithoutThreadDoesNothing)
{
    WriteScenario(ReaderWith("absent"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);
    ASSERT_TRUE(Accept(g_reports[0]));
    EXPECT_NE(m_monitor.LastEvent(), nullptr);

    m_monitor.StopMonitor();
    EXPECT_EQ(m_monitor.Thread(), nullptr);
    EXPECT_EQ(m_monitor.LastEvent(), nullptr);
    TraceCapture traces;
    ASSERT_TRUE(traces.Installed());
    m_monitor.StopMonitor();  // no thread, nothing to release
    EXPECT_EQ(m_monitor.Thread(), nullptr);
    EXPECT_EQ(traces.Text(), "") << "a stop without thread stopped something";
}

TEST_F(StatusMonitorTest, StoppedMonitorPostsNothingMore)
{
    WriteScenario(ReaderWith("absent"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);

    DWORD start = GetTickCount();
    m_monitor.StopMonitor();
    EXPECT_LT(GetTickCount() - start, 1000u) << "a stop waits at most about one poll";

    WriteScenario(ReaderWith("present"));
    Pump(800);
    EXPECT_EQ(g_reports.size(), 1u);
}

TEST_F(StatusMonitorTest, ReportsOfAStoppedOrRestartedMonitorAreDiscarded)
{
    WriteScenario(ReaderWith("present"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 1);
    ASSERT_EQ(g_reports.size(), 1u);

    // A report still queued when the reader changes belongs to the old start.
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    EXPECT_FALSE(Accept(g_reports[0]));
    Pump(2000, 2);
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_NE(g_reports[1].generation, g_reports[0].generation);
    EXPECT_TRUE(Accept(g_reports[1]));

    Pump(300);
    m_monitor.StopMonitor();
    WriteScenario(ReaderWith("absent"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, false);
    Pump(2000, 3);
    ASSERT_EQ(g_reports.size(), 3u);
    m_monitor.StopMonitor();
    EXPECT_FALSE(Accept(g_reports[2])) << "after a stop no report is accepted";
}

// A reader whose status query does not come back (the simulated DLL holds it): the stop cancels
// the query on the monitor's context instead of waiting for it, in both modes.
TEST_F(StatusMonitorTest, StopCancelsAStatusQueryThatHangs)
{
    WriteScenario(ReaderWith("present", HeldQueryDelay()));
    for (bool oneShot : {false, true}) {
        SCOPED_TRACE(oneShot ? "one-shot" : "continuous");
        m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, oneShot);
        ASSERT_NE(m_monitor.Thread(), nullptr);
        Sleep(300);  // the thread sits in its first query by now
        const DWORD start = GetTickCount();
        m_monitor.StopMonitor();
        EXPECT_LT(GetTickCount() - start, StopLimitMs()) << "the stop waited for the held query";
        EXPECT_EQ(m_monitor.Thread(), nullptr);
    }
    Pump(100);
    EXPECT_TRUE(g_reports.empty());
}

// What the one-shot flag of the watched block said when StopMonitor announced the stop (its trace,
// written on the stopping thread while the monitor thread still runs): 1 set, 0 cleared, -1 no stop.
const MonitorBlock* g_watchedBlock = nullptr;
int g_oneShotAtStop = -1;

void NoteOneShotAtStop(const std::string& text)
{
    if (g_watchedBlock != nullptr && text == "Terminating Thread\r\n")
        g_oneShotAtStop = g_watchedBlock->oneShot ? 1 : 0;
}

// A reader that has not answered within the log writer's wait: its one-shot thread still polls
// when one-shot mode ends. The thread reads the flag after each poll, so the flag may change only
// once the thread is stopped: it still says one-shot while the stop runs, and is cleared after.
TEST_F(StatusMonitorTest, EndOneShotStopsTheThreadBeforeTheFlagIsCleared)
{
    WriteScenario(ReaderWith("present", "delay = 400\n"));
    m_monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    ASSERT_NE(m_monitor.Thread(), nullptr);
    Sleep(100);  // inside its first query
    g_oneShotAtStop = -1;
    g_watchedBlock = &m_monitor.Block();
    {
        TraceCapture trace(NoteOneShotAtStop);
        ASSERT_TRUE(trace.Installed());
        m_monitor.EndOneShot();
    }
    g_watchedBlock = nullptr;
    EXPECT_EQ(g_oneShotAtStop, 1) << "the flag when the stop began: 1 set, 0 cleared, -1 no stop";
    EXPECT_FALSE(m_monitor.Block().oneShot);
    EXPECT_EQ(m_monitor.Thread(), nullptr);
}

int g_eventsLeft = 0;

// Makes events until g_eventsLeft is used up, then fails as CreateEventA does when it cannot.
HANDLE RationedEvent()
{
    return g_eventsLeft-- > 0 ? CreateMonitorEvent() : nullptr;
}

TEST_F(StatusMonitorTest, FailedEventCreationStartsNoThread)
{
    WriteScenario(ReaderWith("present"));
    const struct {
        const char* name;
        bool oneShot;
        int events;  // how many events can be made
    } cases[] = {
        {"continuous, no stop event", false, 0},
        {"one-shot, no answer event", true, 0},
        {"one-shot, answer event but no stop event", true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        g_eventsLeft = c.events;
        TraceCapture trace;
        // Heap-held: should a thread start without its stop event, it could never be stopped,
        // and the monitor is then left alone rather than waited for.
        auto* monitor = new CStatusMonitor(RationedEvent);
        monitor->StartMonitor(m_hWnd, m_hContext, kReader, c.oneShot);
        const bool started = monitor->Thread() != nullptr;
        EXPECT_FALSE(started);
        EXPECT_FALSE(monitor->IsRunning());
        EXPECT_EQ(trace.Count("create event failed\n"), 1u);
        EXPECT_EQ(monitor->Block().hEvent, nullptr) << "a one-shot caller's wait must fail at once";
        Pump(400);
        EXPECT_TRUE(g_reports.empty());
        if (started)
            continue;
        monitor->StopMonitor();  // nothing to stop: returns at once
        delete monitor;
    }
    // With its events the same monitor starts.
    g_eventsLeft = 2;
    CStatusMonitor monitor(RationedEvent);
    monitor.StartMonitor(m_hWnd, m_hContext, kReader, true);
    ASSERT_NE(monitor.Thread(), nullptr);
    EXPECT_EQ(WaitForSingleObject(monitor.Block().hEvent, 1500), WAIT_OBJECT_0);
}

}  // namespace
