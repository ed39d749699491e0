#pragma once
// Helpers of the page tests: a plain top-level window to create the pages in (it counts the
// WM_SETCURSOR messages that reach it), and readers of a page's controls and template geometry.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

class CPageHost {
public:
    CPageHost()
    {
        static bool registered = false;
        if (!registered) {
            INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
            InitCommonControlsEx(&controls);
            WNDCLASSA windowClass{};
            windowClass.lpfnWndProc = HostProc;
            windowClass.hInstance = GetModuleHandleA(nullptr);
            windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
            windowClass.lpszClassName = "KardoskopPageHost";
            RegisterClassA(&windowClass);
            registered = true;
        }
        m_hWnd = CreateWindowExA(0, "KardoskopPageHost", "page host", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600,
                                 nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        s_setCursorCount = 0;
    }
    ~CPageHost() { DestroyWindow(m_hWnd); }
    CPageHost(const CPageHost&) = delete;
    CPageHost& operator=(const CPageHost&) = delete;

    HWND Handle() const { return m_hWnd; }
    static int SetCursorCount() { return s_setCursorCount; }

private:
    static LRESULT CALLBACK HostProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_SETCURSOR)
            ++s_setCursorCount;
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }

    HWND m_hWnd = nullptr;
    static inline int s_setCursorCount = 0;
};

inline std::string WindowText(HWND hWnd)
{
    char buffer[1024] = {};
    GetWindowTextA(hWnd, buffer, sizeof buffer);
    return buffer;
}

inline std::string ClassOf(HWND hWnd)
{
    char buffer[64] = {};
    GetClassNameA(hWnd, buffer, sizeof buffer);
    return buffer;
}

inline std::string ColumnText(HWND list, int column)
{
    char buffer[256] = {};
    LVCOLUMNA lvColumn{};
    lvColumn.mask = LVCF_TEXT;
    lvColumn.pszText = buffer;
    lvColumn.cchTextMax = sizeof buffer;
    if (!SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&lvColumn)))
        return "<no column>";
    return buffer;
}

inline int ColumnCount(HWND list)
{
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

inline std::string ItemText(HWND list, int item, int subItem)
{
    char buffer[256] = {};
    LVITEMA lvItem{};
    lvItem.iSubItem = subItem;
    lvItem.pszText = buffer;
    lvItem.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&lvItem));
    return buffer;
}

// One control of a template: where it must stand (dialog units), its class and style bits.
struct ControlSpec {
    int id;
    const char* className;
    int x, y, width, height;
    DWORD style;  // all of these bits must be set
};

// Checks each control's class, style bits and place and size (dialog units mapped with the
// page's own font) in the client area of `page`.
inline void ExpectControls(HWND page, const std::vector<ControlSpec>& controls)
{
    for (const ControlSpec& c : controls) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        HWND control = GetDlgItem(page, c.id);
        ASSERT_NE(control, nullptr);
        EXPECT_STRCASEEQ(ClassOf(control).c_str(), c.className);
        const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
        EXPECT_EQ(style & c.style, c.style) << std::hex << "style " << style;
        // The dialog manager converts position and size each on its own, as MapDialogRect does
        // with the four fields of a rectangle.
        RECT expected{c.x, c.y, c.width, c.height};
        MapDialogRect(page, &expected);
        RECT actual{};
        GetWindowRect(control, &actual);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.right - actual.left, expected.right);
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    }
}

// Bits that must NOT be set on a control.
inline void ExpectStyleLacks(HWND control, DWORD bits)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    EXPECT_EQ(style & bits, 0u) << std::hex << "style " << style;
}
