#pragma once
// WOW64 file-system redirection switched off for the calling thread while an object lives. Windows
// only.

#include <windows.h>

// Switches redirection off where the platform has the switch; elsewhere it does nothing. The
// shipped 32-bit program needs it under 64-bit Windows, where a path into the system directory
// otherwise reaches SysWOW64. The switch is looked up at run time: 32-bit Windows before Vista
// has no such export. A 64-bit process (the x86_64 build) has no redirection: the calls fail there
// and nothing is reverted, so one source serves both.
class RedirectionOff {
public:
    RedirectionOff();
    ~RedirectionOff();

    RedirectionOff(const RedirectionOff&) = delete;
    RedirectionOff& operator=(const RedirectionOff&) = delete;

private:
    using RevertFn = BOOL(WINAPI*)(PVOID);
    RevertFn m_revert = nullptr;
    PVOID m_oldValue = nullptr;
    bool m_disabled = false;
};
