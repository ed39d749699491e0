// Finding windows of another process: top-level dialogs by title or owner, and controls below a
// dialog by their id.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Every visible top-level dialog (class #32770) whose title is exactly `title`.
std::vector<HWND> FindDialogsByTitle(const std::string& title);

// Every visible top-level dialog owned by `owner`. A non-empty `title` must match exactly.
std::vector<HWND> FindOwnedDialogs(HWND owner, const std::string& title);

// Which controls below a window a selector names: an id, after optional scopes that narrow it:
//   N            every descendant with control id N
//   visible:N    only those that are visible (their parents included)
//   child:N      only direct children of the window (its own controls)
//   nested:N     only controls inside child dialogs (pages), not direct children
//   class=NAME:N only windows of class NAME (case-insensitive), as the inner edit of a combo box
// Scopes combine: visible:nested:1014.
struct Selector {
    bool visibleOnly = false;
    bool childrenOnly = false;
    bool nestedOnly = false;
    std::string className;  // empty: any class
    int id = 0;
};

bool ParseSelector(const std::string& word, Selector& selector, std::string& error);

std::vector<HWND> FindControls(HWND parent, const Selector& selector);

// The one control the selector names; anything else is an error.
HWND FindOneControl(HWND parent, const Selector& selector, std::string& error);

// All descendants of a window in the order EnumChildWindows gives them (depth first).
std::vector<HWND> Descendants(HWND parent);

std::string ClassOf(HWND hwnd);

// WM_GETTEXT through SendMessageTimeout, so a hanging program gives an error, not a hang.
bool ReadWindowText(HWND hwnd, std::string& text, std::string& error);

// Polls `done` every 20 ms until it returns true or `timeoutMs` have passed.
template <typename Predicate>
bool WaitFor(DWORD timeoutMs, Predicate done)
{
    const DWORD start = GetTickCount();
    for (;;) {
        if (done())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
}

// Every time limit of the driver is stretched by the machine's time factor (KARDOSKOP_TIME_FACTOR,
// read at the start; 1 by default): a slow machine gets longer limits, never other checks.
void SetTimeFactor(double factor);
DWORD Scaled(DWORD ms);

// The time a window gets to answer one sent message: 5 s, scaled.
UINT AnswerTimeoutMs();

}  // namespace e2e
