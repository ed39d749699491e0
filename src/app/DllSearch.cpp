#include "app/DllSearch.h"

#include "win/Trace.h"

#include <windows.h>

namespace {
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCSTR);
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

template <typename Fn>
Fn KernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}
}  // namespace

bool TakeCurrentDirectoryOutOfDllSearch()
{
    // An empty DLL directory replaces the current directory in the search and keeps the path.
    if (auto setDllDirectory = KernelFunction<SetDllDirectoryFn>("SetDllDirectoryA")) {
        if (setDllDirectory(""))
            return true;
    }
    // Without it: the default directories only (the program's, the system's). The path is then
    // no longer searched, which is still better than the current directory.
    if (auto setDefault = KernelFunction<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")) {
        if (setDefault(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS))
            return true;
    }
    Trace("DLL search order unchanged\n");
    return false;
}
