// What the target window's process holds, read from outside: the figures of the soak runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ProcessStats {
    unsigned long long privateBytes = 0;
    unsigned long handles = 0;
    unsigned long gdiObjects = 0;
    unsigned long userObjects = 0;
    unsigned long windows = 0;  // every window of the process, child windows included
};

// Opens the process that owns `window` and asks for its figures; false with the reason in `error`.
bool ReadProcessStats(HWND window, ProcessStats& stats, std::string& error);

// One line per module of the window's process whose file name is `name` (case ignored), such as
// comctl32.dll: "VERSION PATH", the file version a.b.c.d of the file loaded; false with the reason.
bool ReadModuleVersions(HWND window, const std::string& name, std::vector<std::string>& lines,
                        std::string& error);

// "private=N handles=N gdi=N user=N windows=N". Wine 8 answers private bytes, GDI and USER objects
// with 0 for another process; the handles are then counted in the system's handle table, and the
// window count is the driver's own, so both hold under every Wine.
std::string FormatProcessStats(const ProcessStats& stats);

}  // namespace e2e
