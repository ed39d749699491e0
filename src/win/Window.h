#pragma once
// Non-owning wrapper of a window handle: one platform call per method. Whoever made the window
// destroys it; copying a CWindow copies the handle only.

#include <windows.h>

#include <string>

class CWindow {
public:
    CWindow() = default;
    explicit CWindow(HWND hWnd) : m_hWnd(hWnd) {}

    void Attach(HWND hWnd) { m_hWnd = hWnd; }
    HWND Detach()
    {
        HWND hWnd = m_hWnd;
        m_hWnd = nullptr;
        return hWnd;
    }
    HWND Handle() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    bool IsWindow() const { return m_hWnd != nullptr && ::IsWindow(m_hWnd) != FALSE; }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::SendMessageA(m_hWnd, message, wParam, lParam);
    }
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return ::PostMessageA(m_hWnd, message, wParam, lParam) != FALSE;
    }

    bool SetText(const std::string& text) const { return ::SetWindowTextA(m_hWnd, text.c_str()) != FALSE; }
    std::string GetText() const;

    HWND GetItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
    bool SetItemText(int id, const std::string& text) const
    {
        return ::SetDlgItemTextA(m_hWnd, id, text.c_str()) != FALSE;
    }
    std::string GetItemText(int id) const { return CWindow(GetItem(id)).GetText(); }

    bool Show(int command) const { return ::ShowWindow(m_hWnd, command) != FALSE; }
    HWND SetFocus() const { return ::SetFocus(m_hWnd); }
    bool Destroy() const { return ::DestroyWindow(m_hWnd) != FALSE; }

    bool SetPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) const
    {
        return ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags) != FALSE;
    }
    RECT WindowRect() const
    {
        RECT rect{};
        ::GetWindowRect(m_hWnd, &rect);
        return rect;
    }
    RECT ClientRect() const
    {
        RECT rect{};
        ::GetClientRect(m_hWnd, &rect);
        return rect;
    }

    DWORD Style() const { return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE)); }
    // Changes the style bits only; no frame recalculation or redraw is asked for.
    void ModifyStyle(DWORD remove, DWORD add) const
    {
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, static_cast<LONG_PTR>((Style() & ~remove) | add));
    }

    HICON SetIcon(HICON icon, bool big) const
    {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the answer is the icon shown before
        return reinterpret_cast<HICON>(Send(WM_SETICON, big ? ICON_BIG : ICON_SMALL,
                                            reinterpret_cast<LPARAM>(icon)));
    }

protected:
    HWND m_hWnd = nullptr;
};
