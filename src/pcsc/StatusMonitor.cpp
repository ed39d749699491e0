#include "pcsc/StatusMonitor.h"

#include "win/Trace.h"

#include <cstdlib>
#include <cstring>

namespace {
constexpr DWORD kPollPeriodMs = 200;
constexpr DWORD kThreadFailed = static_cast<DWORD>(-1);
// While a stopped thread has not ended, its context is cancelled again this often: a cancel
// reaches only the call outstanding at that moment, and the thread may be just entering one.
constexpr DWORD kCancelRepeatMs = 50;

bool StopRequested(const MonitorBlock& block)
{
    return WaitForSingleObject(block.hStop, 0) == WAIT_OBJECT_0;
}

void AnswerOnce(MonitorBlock& block, MonitorEventKind kind, const unsigned char* atrBlock)
{
    if (kind == CardPresent)
        std::memcpy(block.atr, atrBlock, static_cast<size_t>(atrBlock[0]) + 1);
    block.result = kind;
    SetEvent(block.hEvent);
}

// Posts one report with records of its own. False when a record cannot be allocated.
bool PostReport(const MonitorBlock& block, const CMonitorPoll& poll, MonitorEventKind kind,
                const unsigned char* atr)
{
    auto* event = static_cast<MonitorEvent*>(std::calloc(1, sizeof(MonitorEvent)));
    unsigned char* atrBlock = nullptr;
    if (event != nullptr && kind == CardPresent) {
        atrBlock = static_cast<unsigned char*>(std::malloc(kAtrBlockSize));
        if (atrBlock == nullptr) {
            std::free(event);
            return false;
        }
        std::memcpy(atrBlock, atr, kAtrBlockSize);
    }
    if (event == nullptr)
        return false;
    event->kind = kind;
    std::memcpy(event->readerName, poll.ReaderName(), sizeof event->readerName);
    event->generation = block.generation;

    // The two pointers travel in the message parameters, which are pointer-sized in both builds.
    if (StopRequested(block) ||
        !PostMessageA(block.hWnd, block.message, reinterpret_cast<WPARAM>(event),
                      reinterpret_cast<LPARAM>(atrBlock))) {
        std::free(atrBlock);
        FreeMonitorEvent(event);
        return true;
    }
    // The posted message owns both records now; its handler (CMainDlg::OnReaderEvent) frees them.
    // NOLINTNEXTLINE(clang-analyzer-unix.Malloc): the analyser loses them in the message
    Trace(kind == CardPresent ? "Card in Reader\n" : "Reader Empty\n");
    return true;
}
}  // namespace

HANDLE CreateMonitorEvent()
{
    return CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

void FreeMonitorEvent(MonitorEvent* event)
{
    std::free(event);
}

DWORD WINAPI MonitorThread(LPVOID param)
{
    MonitorBlock& block = *static_cast<MonitorBlock*>(param);
    CMonitorPoll poll(block.readerName);
    for (;;) {
        unsigned char atr[kAtrBlockSize] = {};
        MonitorEventKind kind = poll.Poll(block.hContext, atr);
        if (StopRequested(block))
            return 0;
        if (kind != NoReport) {
            if (block.oneShot) {
                AnswerOnce(block, kind, atr);
                return 0;
            }
            if (!PostReport(block, poll, kind, atr))
                return kThreadFailed;
        }
        if (WaitForSingleObject(block.hStop, kPollPeriodMs) == WAIT_OBJECT_0)
            return 0;
    }
}

CStatusMonitor::~CStatusMonitor()
{
    StopMonitor();
}

void CStatusMonitor::StartMonitor(HWND hWnd, SCARDCONTEXT hContext, const std::string& readerName,
                                  bool oneShot)
{
    StopMonitor();

    m_monitor.hWnd = hWnd;
    m_monitor.hContext = hContext;
    m_monitor.readerName = readerName;
    m_monitor.message = WM_READER_EVENT;
    m_monitor.oneShot = oneShot;
    if (oneShot)
        m_answerEvent.Reset(m_createEvent());
    m_stopEvent.Reset(m_createEvent());
    m_monitor.hEvent = m_answerEvent.Get();
    m_monitor.hStop = m_stopEvent.Get();
    // Without its stop event the thread would poll without pause and could not be stopped;
    // without the one-shot event nobody would hear its answer.
    if (m_monitor.hStop == nullptr || (oneShot && m_monitor.hEvent == nullptr)) {
        Trace("create event failed\n");
        CloseEvents();
        return;
    }
    m_monitor.generation = ++m_generations;
    m_running = true;

    m_hThread.Reset(CreateThread(nullptr, 0, MonitorThread, &m_monitor, 0, nullptr));
    TraceF("ThreadHandle: %d created\n", static_cast<int>(reinterpret_cast<INT_PTR>(m_hThread.Get())));
    if (!m_hThread) {
        m_running = false;
        CloseEvents();
    }
}

void CStatusMonitor::StopMonitor()
{
    m_running = false;
    if (m_hThread) {
        SetEvent(m_monitor.hStop);
        Trace("Terminating Thread\r\n");
        // The thread sees the stop after its poll; a poll held up in the resource manager (a
        // reader that does not answer) is cancelled, so that it returns at once.
        SCardCancel(m_monitor.hContext);
        while (WaitForSingleObject(m_hThread.Get(), kCancelRepeatMs) == WAIT_TIMEOUT)
            SCardCancel(m_monitor.hContext);
        m_hThread.Reset();
    }
    // The one-shot answer has been read by now (or its wait timed out): the event is done with.
    CloseEvents();
    if (m_lastEvent != nullptr) {
        FreeMonitorEvent(m_lastEvent);
        m_lastEvent = nullptr;
    }
}

void CStatusMonitor::EndOneShot()
{
    StopMonitor();
    m_monitor.oneShot = false;
}

void CStatusMonitor::CloseEvents()
{
    m_monitor.hStop = m_monitor.hEvent = nullptr;
    m_stopEvent.Reset();
    m_answerEvent.Reset();
}

bool CStatusMonitor::AcceptReport(MonitorEvent* event, unsigned char* atrBlock)
{
    if (event == nullptr)
        return false;
    if (!m_running || event->generation != m_monitor.generation) {
        std::free(atrBlock);
        FreeMonitorEvent(event);
        return false;
    }
    if (m_lastEvent != nullptr)
        FreeMonitorEvent(m_lastEvent);
    m_lastEvent = event;
    return true;
}
