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
