#pragma once
// Display scale in one place. Every pixel number of the window is written for 96 DPI and goes
// through ScalePx with the DPI of the window it lands in, asked once where it is needed: at 96 DPI
// the window is exactly as written, at any other scale it is the same window, larger.

#include <windows.h>

constexpr int kBaseDpi = 96;

// The DPI the window is drawn at: GetDpiForWindow where the system has it (looked up at run time,
// Windows 10 1607 and later), else the screen's logical pixels per inch, which a system-aware
// program is given on older Windows.
int WindowDpi(HWND hWnd);

// A length written for 96 DPI, at `dpi` (rounded to the nearest pixel, as MulDiv does).
inline int ScalePx(int px96, int dpi) { return MulDiv(px96, dpi, kBaseDpi); }
