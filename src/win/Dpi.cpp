#include "win/Dpi.h"

namespace {
using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

GetDpiForWindowFn DpiForWindowFunction()
{
    HMODULE user = GetModuleHandleA("user32.dll");
    if (user == nullptr)
        return nullptr;
    return reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "GetDpiForWindow")));
}

// MS Sans Serif 8 at 96 DPI: 6 pixels per 4 horizontal dialog units.
constexpr int kBaseUnitAt96 = 6;

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    if (screen == nullptr)
        return kBaseDpi;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kBaseDpi;
}
}  // namespace

int WindowDpi(HWND hWnd)
{
    static const GetDpiForWindowFn dpiForWindow = DpiForWindowFunction();
    if (dpiForWindow != nullptr && hWnd != nullptr) {
        const UINT dpi = dpiForWindow(hWnd);
        if (dpi != 0)
            return static_cast<int>(dpi);
    }
    return ScreenDpi();
}

int TemplateDpi(HWND dialog)
{
    const int dpi = WindowDpi(dialog);
    RECT units{0, 0, 4, 0};
    if (dpi == kBaseDpi || !MapDialogRect(dialog, &units) || units.right <= 0)
        return dpi;
    return MulDiv(kBaseDpi, units.right, kBaseUnitAt96);
}
