#include "app/DllSearch.h"

#include "win/Trace.h"

#include <windows.h>

#include <string>

namespace {
using SetDllDirectoryFn = BOOL(WINAPI*)(LPCWSTR);
using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

template <typename Fn>
Fn KernelFunction(const char* name)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

// The folder of the program's file with its final backslash ("C:\" stays a root, not the drive's
// current directory); empty when the name cannot be had. Wide: the folder may hold characters the
// ANSI code page lacks.
std::wstring ProgramFolder()
{
    std::wstring path(32768, L'\0');  // the longest path there is
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size())
        return {};
    const size_t slash = path.find_last_of(L"\\/", length - 1);
    if (slash == std::wstring::npos)
        return {};
    path.resize(slash + 1);
    return path;
}
}  // namespace

bool TakeCurrentDirectoryOutOfDllSearch()
{
    // A DLL directory takes the current directory's place in the search and keeps the path. It
    // must not be empty: Windows then drops the current directory too, but Wine takes an empty one
    // for none and keeps searching the current directory. The program's own folder is searched
    // first anyway, so naming it adds no place to the search.
    const std::wstring folder = ProgramFolder();
    if (auto setDllDirectory = KernelFunction<SetDllDirectoryFn>("SetDllDirectoryW")) {
        if (!folder.empty() && setDllDirectory(folder.c_str()))
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
