#pragma once
// The reader status monitor: a worker thread that watches one reader. In continuous mode it posts
// WM_READER_EVENT at every change; in one-shot mode it answers once through the block and its
// event and ends. The main dialog owns one CStatusMonitor and starts and stops it on the UI thread.

#include "pcsc/MonitorPoll.h"
#include "win/Handles.h"

#include <windows.h>

#include <cstdint>
#include <string>

constexpr UINT WM_READER_EVENT = WM_USER + 1;

// Heap record carried as the wParam of WM_READER_EVENT; the receiver owns it and frees it with
// FreeMonitorEvent. lParam is an AtrBlock (malloc, kAtrBlockSize bytes) for CardPresent, else 0.
struct MonitorEvent {
    std::int32_t kind;                                // CardPresent or ReaderEmpty
    char readerName[CMonitorPoll::kMaxReaderName + 1];  // the full name, NUL-terminated
    std::uint32_t generation;                         // the monitor start that produced it
};

void FreeMonitorEvent(MonitorEvent* event);

struct MonitorBlock {
    // Written only while no thread runs (StartMonitor before it starts the thread, EndOneShot
    // after the stop), and only read by the thread.
    std::string readerName;
    SCARDCONTEXT hContext = 0;
    HWND hWnd = nullptr;
    UINT message = WM_READER_EVENT;
    bool oneShot = false;
    // One-shot answer, written by the thread before it sets hEvent.
    std::int32_t result = 0;            // CardPresent or ReaderEmpty
    unsigned char atr[260] = {};        // byte 0 = length n, bytes 1..n = ATR
    HANDLE hEvent = nullptr;            // manual reset, fresh for every one-shot start
    // Stop request, set by Stop; the thread checks it after each poll and before each post.
    HANDLE hStop = nullptr;
    std::uint32_t generation = 0;
};

// Makes the monitor's events: manual reset, unsignalled, unnamed. Null when that fails.
using MonitorEventFactory = HANDLE (*)();
HANDLE CreateMonitorEvent();

class CStatusMonitor {
public:
    // `createEvent` makes the stop event and the one-shot event; tests hand in one that fails.
    explicit CStatusMonitor(MonitorEventFactory createEvent = CreateMonitorEvent)
        : m_createEvent(createEvent)
    {
    }
    ~CStatusMonitor();
    CStatusMonitor(const CStatusMonitor&) = delete;
    CStatusMonitor& operator=(const CStatusMonitor&) = delete;

    // Stops any running monitor, then watches `readerName` on a new thread. When an event or the
    // thread cannot be made, no monitor runs (traced); a one-shot caller then finds hEvent null,
    // and its wait fails at once.
    void StartMonitor(HWND hWnd, SCARDCONTEXT hContext, const std::string& readerName, bool oneShot);

    // Asks the thread to stop and returns once it has ended; releases m_lastEvent. A poll that
    // hangs in the resource manager is cancelled on the monitor's context (SCardCancel), so the
    // stop does not wait for a reader that never answers. Reports the thread posted before are
    // left in the queue: AcceptReport discards them.
    void StopMonitor();

    // Ends one-shot mode: stops the monitor, then clears oneShot. A one-shot thread that has not
    // answered yet still polls and reads the flag; cleared under it, the flag would turn it into
    // a continuous monitor.
    void EndOneShot();

    // For the receiver of WM_READER_EVENT. A report of the running monitor becomes m_lastEvent
    // (the previous one is released) and true is returned; the caller then owns the ATR block.
    // A report of a stopped or restarted monitor is freed together with its ATR block: false.
    bool AcceptReport(MonitorEvent* event, unsigned char* atrBlock);

    MonitorBlock& Block() { return m_monitor; }
    HANDLE Thread() const { return m_hThread.Get(); }
    bool IsRunning() const { return m_running; }
    const MonitorEvent* LastEvent() const { return m_lastEvent; }

private:
    void CloseEvents();

    MonitorEventFactory m_createEvent;
    MonitorBlock m_monitor;
    // The thread and the events of the block live from a start to the next stop, longer than
    // any one call: they are owned here, and the block holds copies for the thread to read.
    CHandle m_hThread;
    CHandle m_stopEvent;
    CHandle m_answerEvent;
    MonitorEvent* m_lastEvent = nullptr;
    std::uint32_t m_generations = 0;
    bool m_running = false;
};

DWORD WINAPI MonitorThread(LPVOID param);
