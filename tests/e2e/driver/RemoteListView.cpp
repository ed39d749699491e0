#include "RemoteListView.h"

#include "WindowSearch.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

namespace e2e {

namespace {

constexpr std::size_t kTextChars = 1024;
// One block holds the structure and, behind it, the text buffer it points to.
constexpr std::size_t kTextOffset = 256;
static_assert(sizeof(LVITEMA) <= kTextOffset && sizeof(LVCOLUMNA) <= kTextOffset,
              "structures must fit before the text buffer");

std::string LastError(const char* what)
{
    return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

std::string TextAt(const std::vector<char>& buffer)
{
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace

RemoteBlock::RemoteBlock(HANDLE process, std::size_t size)
    : m_process(process),
      m_base(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
{
}

RemoteBlock::~RemoteBlock()
{
    if (m_base)
        VirtualFreeEx(m_process, m_base, 0, MEM_RELEASE);
}

LPARAM RemoteBlock::Address(std::size_t offset) const
{
    return reinterpret_cast<LPARAM>(static_cast<char*>(m_base) + offset);
}

bool RemoteBlock::Write(std::size_t offset, const void* data, std::size_t size)
{
    SIZE_T written = 0;
    return WriteProcessMemory(m_process, static_cast<char*>(m_base) + offset, data, size, &written) &&
           written == size;
}

bool RemoteBlock::Read(std::size_t offset, void* data, std::size_t size) const
{
    SIZE_T read = 0;
    return ReadProcessMemory(m_process, static_cast<char*>(m_base) + offset, data, size, &read) &&
           read == size;
}

RemoteListView::RemoteListView(HWND list) : m_list(list) {}

RemoteListView::~RemoteListView()
{
    if (m_process)
        CloseHandle(m_process);
}

// LVM_GETITEM may point pszText at the control's own storage instead of filling our buffer.
bool RemoteListView::ReadItemText(const RemoteBlock& block, const char* pointer, std::vector<char>& text) const
{
    std::fill(text.begin(), text.end(), '\0');
    if (pointer == nullptr || pointer == LPSTR_TEXTCALLBACKA)
        return true;
    if (reinterpret_cast<LPARAM>(pointer) == block.Address(kTextOffset))
        return block.Read(kTextOffset, text.data(), text.size() - 1);
    // Foreign storage may end before our buffer length: read it byte by byte up to the NUL.
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (!ReadProcessMemory(m_process, pointer + i, &text[i], 1, nullptr))
            return false;
        if (text[i] == '\0')
            break;
    }
    return true;
}

bool RemoteListView::Open(std::string& error)
{
    if (m_process)
        return true;
    if (ClassOf(m_list) != WC_LISTVIEWA) {
        error = "control is a " + ClassOf(m_list) + ", not a list view";
        return false;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(m_list, &pid);
    m_process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                PROCESS_QUERY_INFORMATION,
                            FALSE, pid);
    if (!m_process) {
        error = LastError("OpenProcess");
        return false;
    }
    return true;
}

bool RemoteListView::Send(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result,
                          std::string& error) const
{
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(m_list, message, wParam, lParam, SMTO_NORMAL, AnswerTimeoutMs(), &answer)) {
        error = "list view gave no answer to message " + std::to_string(message);
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

bool RemoteListView::ColumnCount(int& count, std::string& error) const
{
    LRESULT header = 0;
    if (!Send(LVM_GETHEADER, 0, 0, header, error))
        return false;
    count = 0;
    if (header == 0)
        return true;
    DWORD_PTR items = 0;
    if (!SendMessageTimeoutA(reinterpret_cast<HWND>(header), HDM_GETITEMCOUNT, 0, 0, SMTO_NORMAL,
                             AnswerTimeoutMs(), &items)) {
        error = "header gave no answer";
        return false;
    }
    count = static_cast<int>(static_cast<LRESULT>(items));
    if (count < 0)
        count = 0;
    return true;
}

bool RemoteListView::Items(std::vector<ListItem>& items, std::string& error)
{
    items.clear();
    if (!Open(error))
        return false;
    LRESULT count = 0;
    int columns = 0;
    if (!Send(LVM_GETITEMCOUNT, 0, 0, count, error) || !ColumnCount(columns, error))
        return false;
    RemoteBlock block(m_process, kTextOffset + kTextChars);
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    for (int index = 0; index < count; ++index) {
        ListItem item;
        for (int sub = 0; sub < (columns > 1 ? columns : 1); ++sub) {
            LVITEMA lvi{};
            lvi.mask = sub == 0 ? (LVIF_TEXT | LVIF_IMAGE | LVIF_STATE) : LVIF_TEXT;
            lvi.iItem = index;
            lvi.iSubItem = sub;
            lvi.stateMask = static_cast<UINT>(-1);
            lvi.pszText = reinterpret_cast<char*>(block.Address(kTextOffset));
            lvi.cchTextMax = static_cast<int>(kTextChars);
            std::vector<char> text(kTextChars, '\0');
            LRESULT ok = 0;
            if (!block.Write(0, &lvi, sizeof lvi) || !block.Write(kTextOffset, text.data(), text.size())) {
                error = LastError("WriteProcessMemory");
                return false;
            }
            if (!Send(LVM_GETITEMA, 0, block.Address(), ok, error))
                return false;
            if (!ok) {
                error = "LVM_GETITEMA failed for item " + std::to_string(index) + " column " +
                        std::to_string(sub);
                return false;
            }
            if (!block.Read(0, &lvi, sizeof lvi)) {
                error = LastError("ReadProcessMemory");
                return false;
            }
            if (!ReadItemText(block, lvi.pszText, text)) {
                error = LastError("ReadProcessMemory");
                return false;
            }
            if (sub == 0) {
                item.image = lvi.iImage;
                item.state = lvi.state;
            }
            item.texts.push_back(TextAt(text));
        }
        items.push_back(item);
    }
    return true;
}

bool RemoteListView::Columns(std::vector<ListColumn>& columns, std::string& error)
{
    columns.clear();
    if (!Open(error))
        return false;
    int count = 0;
    if (!ColumnCount(count, error))
        return false;
    RemoteBlock block(m_process, kTextOffset + kTextChars);
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    for (int index = 0; index < count; ++index) {
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = reinterpret_cast<char*>(block.Address(kTextOffset));
        column.cchTextMax = static_cast<int>(kTextChars);
        std::vector<char> text(kTextChars, '\0');
        LRESULT ok = 0;
        if (!block.Write(0, &column, sizeof column) || !block.Write(kTextOffset, text.data(), text.size())) {
            error = LastError("WriteProcessMemory");
            return false;
        }
        if (!Send(LVM_GETCOLUMNA, static_cast<WPARAM>(index), block.Address(), ok, error))
            return false;
        if (!ok) {
            error = "LVM_GETCOLUMNA failed for column " + std::to_string(index);
            return false;
        }
        if (!block.Read(0, &column, sizeof column) || !block.Read(kTextOffset, text.data(), text.size() - 1)) {
            error = LastError("ReadProcessMemory");
            return false;
        }
        columns.push_back(ListColumn{column.cx, TextAt(text)});
    }
    return true;
}

bool RemoteListView::SelectedIndex(int& index, std::string& error)
{
    LRESULT next = 0;
    if (!Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED, next, error))
        return false;
    index = static_cast<int>(next);
    return true;
}

bool RemoteListView::StringWidth(RemoteBlock& block, const std::string& text, int& width, std::string& error) const
{
    if (!block.Write(0, text.c_str(), text.size() + 1)) {
        error = LastError("WriteProcessMemory");
        return false;
    }
    LRESULT answer = 0;
    if (!Send(LVM_GETSTRINGWIDTHA, 0, block.Address(), answer, error))
        return false;
    width = static_cast<int>(answer);
    return true;
}

bool RemoteListView::TextWidths(const std::vector<ListColumn>& columns, const std::vector<ListItem>& items,
                                std::vector<int>& headerWidths, std::vector<std::vector<int>>& itemWidths,
                                std::string& error)
{
    headerWidths.clear();
    itemWidths.clear();
    if (!Open(error))
        return false;
    RemoteBlock block(m_process, kTextChars + 1);
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    for (const ListColumn& column : columns) {
        int width = 0;
        if (!StringWidth(block, column.text, width, error))
            return false;
        headerWidths.push_back(width);
    }
    for (const ListItem& item : items) {
        std::vector<int> widths;
        for (const std::string& text : item.texts) {
            int width = 0;
            if (!StringWidth(block, text.substr(0, kTextChars), width, error))
                return false;
            widths.push_back(width);
        }
        itemWidths.push_back(widths);
    }
    return true;
}

bool RemoteListView::IconRects(std::vector<RECT>& rects, std::string& error)
{
    rects.clear();
    LRESULT count = 0;
    if (!Open(error) || !Send(LVM_GETITEMCOUNT, 0, 0, count, error))
        return false;
    RemoteBlock block(m_process, sizeof(RECT));
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    for (int index = 0; index < count; ++index) {
        RECT rect{};
        rect.left = LVIR_ICON;
        LRESULT ok = 0;
        if (!block.Write(0, &rect, sizeof rect)) {
            error = LastError("WriteProcessMemory");
            return false;
        }
        if (!Send(LVM_GETITEMRECT, static_cast<WPARAM>(index), block.Address(), ok, error))
            return false;
        if (!ok || !block.Read(0, &rect, sizeof rect)) {
            error = "no icon rectangle of item " + std::to_string(index);
            return false;
        }
        rects.push_back(rect);
    }
    return true;
}

bool RemoteListView::IsSelected(int index, bool& selected, std::string& error) const
{
    LRESULT state = 0;
    if (!Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED, state, error))
        return false;
    selected = (state & LVIS_SELECTED) != 0;
    return true;
}

bool RemoteListView::CheckIndex(int index, std::string& error) const
{
    LRESULT count = 0;
    if (!Send(LVM_GETITEMCOUNT, 0, 0, count, error))
        return false;
    if (index < 0 || index >= count) {
        error = "no item " + std::to_string(index) + " (the list has " + std::to_string(count) + ")";
        return false;
    }
    return true;
}

bool RemoteListView::Renotify(int index, std::string& error)
{
    if (!Open(error) || !CheckIndex(index, error))
        return false;
    RemoteBlock block(m_process, sizeof(LVITEMA));
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    for (UINT state : {static_cast<UINT>(LVIS_CUT), 0u}) {
        LVITEMA lvi{};
        lvi.stateMask = LVIS_CUT;
        lvi.state = state;
        LRESULT done = 0;
        if (!block.Write(0, &lvi, sizeof lvi)) {
            error = LastError("WriteProcessMemory");
            return false;
        }
        if (!Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), block.Address(), done, error))
            return false;
        if (!done) {
            error = "the list refused the state of item " + std::to_string(index);
            return false;
        }
    }
    return true;
}

bool RemoteListView::Select(int index, DWORD timeoutMs, std::string& error)
{
    if (!Open(error) || !CheckIndex(index, error))
        return false;
    bool selected = false;
    if (!IsSelected(index, selected, error))
        return false;
    // A click on the selected item changes nothing either; and only a change tells us below that
    // the posted message has been handled and its memory may go.
    if (selected)
        return true;

    RemoteBlock block(m_process, sizeof(LVITEMA));
    if (!block.Valid()) {
        error = LastError("VirtualAllocEx");
        return false;
    }
    LVITEMA lvi{};
    lvi.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvi.state = LVIS_SELECTED | LVIS_FOCUSED;
    if (!block.Write(0, &lvi, sizeof lvi)) {
        error = LastError("WriteProcessMemory");
        return false;
    }
    if (!PostMessageA(m_list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), block.Address())) {
        error = LastError("PostMessage");
        return false;
    }
    std::string pollError;
    const bool done = WaitFor(timeoutMs, [&] {
        bool now = false;
        return IsSelected(index, now, pollError) && now;
    });
    if (!done) {
        block.Keep();  // the message may still be queued
        error = "item " + std::to_string(index) + " did not become selected" +
                (pollError.empty() ? std::string() : ": " + pollError);
        return false;
    }
    return true;
}

}  // namespace e2e
