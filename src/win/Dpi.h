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

// The DPI a dialog's template is laid out at, for the pixel numbers that must line up with it (a
// page beside the reader list, columns across a list). A template grows with its font, and the
// templates' raster font grows in steps, not with the display scale: under Wine 125 % lays a
// template out a third larger and 200 % as large as 150 %. So: the window's DPI at 96, else 96
// times the template's horizontal dialog base unit over the 6 pixels per 4 units its font has at
// 96 DPI, for which those numbers were written.
int TemplateDpi(HWND dialog);
