#include "ProcessStats.h"

#include <psapi.h>

#include <algorithm>
#include <cstring>

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

HANDLE OpenWindowProcess(HWND window, DWORD& pid, std::string& error)
{
    pid = 0;
    if (!GetWindowThreadProcessId(window, &pid) || pid == 0) {
        error = "no process for the target window";
        return nullptr;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        error = "OpenProcess failed (error " + std::to_string(GetLastError()) + ")";
    return process;
}

// Wine 8 answers GetProcessHandleCount with 0 for another process, but keeps a table of every
// process's handles that NtQuerySystemInformation (class 64, SystemExtendedHandleInformation)
// hands out: the process's entries there are its handles. Registry keys are left out: Wine's save
// dialog keeps one open (ComDlg32\LastVisitedMRU) every time it is shown. 0 when the table cannot
// be read.
unsigned long HandlesInSystemTable(DWORD pid)
{
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Table {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    std::vector<ULONG_PTR> buffer(1 << 14);  // ULONG_PTR: aligned as the table is
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &key);
    LONG status = kLengthMismatch;
    while (query && status == kLengthMismatch && buffer.size() < (1u << 21)) {
        ULONG needed = 0;
        status = query(64, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG_PTR)), &needed);
        if (status == kLengthMismatch)
            buffer.resize(buffer.size() * 2);
    }
    if (key)
        RegCloseKey(key);
    if (!query || status != 0)
        return 0;
    const auto* table = reinterpret_cast<const Table*>(buffer.data());
    const Entry* end = table->entries + table->count;
    // The type number of a key: that of the key this process held open while the table was read.
    const Entry* ownKey = std::find_if(table->entries, end, [key](const Entry& entry) {
        return entry.pid == GetCurrentProcessId() && entry.handle == reinterpret_cast<ULONG_PTR>(key);
    });
    const int keyType = ownKey != end ? ownKey->type : -1;
    return static_cast<unsigned long>(std::count_if(
        table->entries, end, [pid, keyType](const Entry& entry) { return entry.pid == pid && entry.type != keyType; }));
}

std::string FileVersion(const char* path)
{
    std::vector<BYTE> data(GetFileVersionInfoSizeA(path, nullptr));
    void* value = nullptr;
    UINT length = 0;
    if (data.empty() || !GetFileVersionInfoA(path, 0, static_cast<DWORD>(data.size()), data.data()) ||
        !VerQueryValueA(data.data(), "\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
        return "no-version";
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    return std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionMS)) +
           "." + std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." + std::to_string(LOWORD(fixed->dwFileVersionLS));
}

}  // namespace

bool ReadModuleVersions(HWND window, const std::string& name, std::vector<std::string>& lines, std::string& error)
{
    DWORD pid = 0;
    HANDLE process = OpenWindowProcess(window, pid, error);
    if (!process)
        return false;
    std::vector<HMODULE> modules(512);
    DWORD bytes = 0;
    const bool ok = EnumProcessModules(process, modules.data(), static_cast<DWORD>(modules.size() * sizeof(HMODULE)),
                                       &bytes) != FALSE;
    if (!ok)
        error = "EnumProcessModules failed (error " + std::to_string(GetLastError()) + ")";
    modules.resize(ok ? std::min<std::size_t>(modules.size(), bytes / sizeof(HMODULE)) : 0);
    for (HMODULE module : modules) {
        char base[MAX_PATH] = {};
        char path[MAX_PATH] = {};
        if (GetModuleBaseNameA(process, module, base, sizeof base) && _stricmp(base, name.c_str()) == 0 &&
            GetModuleFileNameExA(process, module, path, sizeof path))
            lines.push_back(FileVersion(path) + " " + path);
    }
    CloseHandle(process);
    return ok;
}

bool ReadProcessStats(HWND window, ProcessStats& stats, std::string& error)
{
    DWORD pid = 0;
    HANDLE process = OpenWindowProcess(window, pid, error);
    if (!process)
        return false;
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
        stats.handles = handles != 0 ? handles : HandlesInSystemTable(pid);
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
