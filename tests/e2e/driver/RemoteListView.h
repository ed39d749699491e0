// A list-view control of another process. Its messages carry pointers that the control uses in
// its own address space, so structures and text buffers are placed in that process
// (VirtualAllocEx) and copied in and out (WriteProcessMemory / ReadProcessMemory).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// A block of memory in another process, released at destruction unless kept.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, std::size_t size);
    ~RemoteBlock();
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;

    bool Valid() const { return m_base != nullptr; }
    LPARAM Address(std::size_t offset = 0) const;
    bool Write(std::size_t offset, const void* data, std::size_t size);
    bool Read(std::size_t offset, void* data, std::size_t size) const;
    // For a posted message whose handling cannot be observed: the memory stays with the process.
    void Keep() { m_base = nullptr; }

private:
    HANDLE m_process;
    void* m_base;
};

struct ListItem {
    int image = -1;
    unsigned state = 0;
    std::vector<std::string> texts;  // item text, then one per further column
};

struct ListColumn {
    int width = 0;
    std::string text;
};

class RemoteListView {
public:
    explicit RemoteListView(HWND list);
    ~RemoteListView();
    RemoteListView(const RemoteListView&) = delete;
    RemoteListView& operator=(const RemoteListView&) = delete;

    // Each returns false with a reason in `error`.
    bool Items(std::vector<ListItem>& items, std::string& error);
    bool Columns(std::vector<ListColumn>& columns, std::string& error);
    bool SelectedIndex(int& index, std::string& error);
    // The width the list would give each text in its own font (LVM_GETSTRINGWIDTHA): the column
    // headers, then each item's texts as Items reads them.
    bool TextWidths(const std::vector<ListColumn>& columns, const std::vector<ListItem>& items,
                    std::vector<int>& headerWidths, std::vector<std::vector<int>>& itemWidths, std::string& error);
    // Each item's icon in the list's client area (LVM_GETITEMRECT, LVIR_ICON); under Wine, in the
    // icon view, exactly the image list's icon size.
    bool IconRects(std::vector<RECT>& rects, std::string& error);
    // Selects and focuses one item; the program receives LVN_ITEMCHANGED as after a click. The
    // message is posted, so a handler that opens a modal dialog does not block the driver;
    // returns once the item shows as selected.
    bool Select(int index, DWORD timeoutMs, std::string& error);
    // Sets a display bit of the item (LVIS_CUT) and clears it again, selection untouched: the
    // program receives LVN_ITEMCHANGED for the item twice, as for a click on the item it has
    // selected already. Sent, so it returns once the program has handled both.
    bool Renotify(int index, std::string& error);

private:
    bool Open(std::string& error);
    bool Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result, std::string& error) const;
    // An item of the list, else false with the reason.
    bool CheckIndex(int index, std::string& error) const;
    bool ColumnCount(int& count, std::string& error) const;
    bool IsSelected(int index, bool& selected, std::string& error) const;
    bool ReadItemText(const RemoteBlock& block, const char* pointer, std::vector<char>& text) const;
    bool StringWidth(RemoteBlock& block, const std::string& text, int& width, std::string& error) const;

    HWND m_list;
    HANDLE m_process = nullptr;
};

}  // namespace e2e
