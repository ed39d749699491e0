#pragma once
// Thin wrappers of the common controls the dialogs use. Each holds the control's window handle
// (not owned) and forwards one message per method. CImageList is the exception: it owns its list.

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/Window.h"

class CListView : public CWindow {
public:
    using CWindow::CWindow;

    // Inserts a column with a left-aligned header; returns its index or -1.
    int InsertColumn(int index, const std::string& header, int width) const;
    // Inserts a row whose first column holds `text`; returns the new row's index or -1.
    int InsertItem(int index, const std::string& text) const;
    int InsertItem(int index, const std::string& text, int image) const;
    bool SetItemText(int item, int subItem, const std::string& text) const;
    std::string GetItemText(int item, int subItem) const;
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != FALSE; }
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

    int GetColumnWidth(int column) const { return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, column)); }
    std::string GetColumnText(int column) const;

    // mask 0 replaces the whole extended style by `style`.
    DWORD SetExtendedStyle(DWORD mask, DWORD style) const
    {
        return static_cast<DWORD>(Send(LVM_SETEXTENDEDLISTVIEWSTYLE, mask, static_cast<LPARAM>(style)));
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }

    // The next row after `start` (-1: from the top) that has all the LVNI_* flags.
    int GetNextItem(int start, UINT flags) const
    {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    int GetSelectedItem() const { return GetNextItem(-1, LVNI_SELECTED); }
    bool SelectItem(int item) const;
    int SetSelectionMark(int item) const { return static_cast<int>(Send(LVM_SETSELECTIONMARK, 0, item)); }

    bool GetItemPosition(int item, POINT& point) const
    {
        return Send(LVM_GETITEMPOSITION, item, reinterpret_cast<LPARAM>(&point)) != FALSE;
    }
    void SetItemPosition32(int item, POINT point) const
    {
        Send(LVM_SETITEMPOSITION32, item, reinterpret_cast<LPARAM>(&point));
    }

    bool SetBkColor(COLORREF color) const { return Send(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color)) != FALSE; }
    bool SetTextBkColor(COLORREF color) const
    {
        return Send(LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(color)) != FALSE;
    }
    HIMAGELIST SetImageList(HIMAGELIST list, int kind) const
    {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the answer is the list attached before
        return reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                                 reinterpret_cast<LPARAM>(list)));
    }
};

class CEdit : public CWindow {
public:
    using CWindow::CWindow;

    void SetLimitText(int limit) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(limit)); }
    // Hexadecimal texts are written with upper-case display switched on; message texts with both
    // case conversions off, so they keep their mixed case.
    void SetUpperCase() const { ModifyStyle(0, ES_UPPERCASE); }
    void ClearCaseConversion() const { ModifyStyle(ES_UPPERCASE | ES_LOWERCASE, 0); }
};

class CStatic : public CWindow {
public:
    using CWindow::CWindow;

    // Returns the image shown before. The control does not take ownership of `bitmap`.
    HBITMAP SetBitmap(HBITMAP bitmap) const
    {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the answer is the image shown before
        return reinterpret_cast<HBITMAP>(Send(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the answer is the image shown
    HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(Send(STM_GETIMAGE, IMAGE_BITMAP)); }
};

// Owns an image list and destroys it. A list view without LVS_SHAREIMAGELISTS destroys the lists
// still attached to it when it is destroyed itself: take the list back from the control
// (SetImageList with nullptr) before this owner destroys it, as the main dialog does.
class CImageList {
public:
    CImageList() = default;
    ~CImageList() { Destroy(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    bool Create(int width, int height, UINT flags, int initial, int grow);
    int AddIcon(HICON icon) const { return ImageList_AddIcon(m_list, icon); }
    int GetCount() const { return ImageList_GetImageCount(m_list); }
    HIMAGELIST Handle() const { return m_list; }
    void Destroy();

private:
    HIMAGELIST m_list = nullptr;
};
