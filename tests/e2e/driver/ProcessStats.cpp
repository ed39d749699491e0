#include "ProcessStats.h"

#include <psapi.h>

namespace e2e {

namespace {

struct WindowCount {
    DWORD pid;
    unsigned long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++reinterpret_cast<WindowCount*>(lParam)->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM lParam)
{
    auto* counter = reinterpret_cast<WindowCount*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == counter->pid) {
        ++counter->count;
        EnumChildWindows(window, CountChild, lParam);
    }
    return TRUE;
}

}  // namespace

bool ReadProcessStats(HWND window, ProcessStats& stats, std::string& error)
{
    DWORD pid = 0;
    if (!GetWindowThreadProcessId(window, &pid) || pid == 0) {
        error = "no process for the target window";
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        error = "OpenProcess failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    DWORD handles = 0;
    bool ok = true;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        error = "GetProcessMemoryInfo failed (error " + std::to_string(GetLastError()) + ")";
        ok = false;
    } else if (!GetProcessHandleCount(process, &handles)) {
        error = "GetProcessHandleCount failed (error " + std::to_string(GetLastError()) + ")";
        ok = false;
    } else {
        stats.privateBytes = memory.PrivateUsage;
        stats.handles = handles;
        stats.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
        stats.userObjects = GetGuiResources(process, GR_USEROBJECTS);
        WindowCount counter{pid, 0};
        EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&counter));
        stats.windows = counter.count;
    }
    CloseHandle(process);
    return ok;
}

std::string FormatProcessStats(const ProcessStats& stats)
{
    return "private=" + std::to_string(stats.privateBytes) + " handles=" + std::to_string(stats.handles) +
           " gdi=" + std::to_string(stats.gdiObjects) + " user=" + std::to_string(stats.userObjects) + " windows=" + std::to_string(stats.windows);
}

}  // namespace e2e
