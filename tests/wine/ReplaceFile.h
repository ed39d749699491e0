#pragma once
// Renaming a freshly written file over one that another thread or process may be reading, as the
// tests do with the scenario while the simulated winscard.dll runs. Windows, and Wine with it,
// refuse to replace a file that is open, whatever share modes its opener gave: the rename fails
// with a sharing or access error until the reader closes it. The simulated DLL holds the scenario
// open only while it reads it at a call, so trying again for a short while succeeds.

#include <windows.h>

#include <string>

// Moves `from` over `to`. Tries again while the rename fails because `to` is in use, for at most
// `patienceMs` milliseconds; any other error ends it at once. False when the rename did not happen.
inline bool ReplaceFileWhenFree(const std::string& from, const std::string& to, DWORD patienceMs = 2000)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        const DWORD error = GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)
            return false;
        if (GetTickCount() - start >= patienceMs)
            return false;
        Sleep(5);
    }
}
