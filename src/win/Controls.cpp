#include "win/Controls.h"

#include <vector>

namespace {
// Item and column texts the program shows are short; the buffer grows for a longer one.
constexpr int kFirstTextBuffer = 256;
constexpr int kMaxTextBuffer = 65536;
}  // namespace

int CListView::InsertColumn(int index, const std::string& header, int width) const
{
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<char*>(header.c_str());
    column.iSubItem = index;
    return static_cast<int>(Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column)));
}

int CListView::InsertItem(int index, const std::string& text) const
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

int CListView::InsertItem(int index, const std::string& text, int image) const
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    item.pszText = const_cast<char*>(text.c_str());
    return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

bool CListView::SetItemText(int item, int subItem, const std::string& text) const
{
    LVITEMA lvItem{};
    lvItem.iSubItem = subItem;
    lvItem.pszText = const_cast<char*>(text.c_str());
    return Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem)) != FALSE;
}

std::string CListView::GetItemText(int item, int subItem) const
{
    for (int size = kFirstTextBuffer; size <= kMaxTextBuffer; size *= 2) {
        std::vector<char> buffer(static_cast<size_t>(size));
        LVITEMA lvItem{};
        lvItem.iSubItem = subItem;
        lvItem.pszText = buffer.data();
        lvItem.cchTextMax = size;
        const int length = static_cast<int>(
            Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem)));
        if (length < size - 1 || size == kMaxTextBuffer)
            return std::string(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
    }
    return std::string();
}

std::string CListView::GetColumnText(int column) const
{
    char buffer[kFirstTextBuffer] = {};
    LVCOLUMNA lvColumn{};
    lvColumn.mask = LVCF_TEXT;
    lvColumn.pszText = buffer;
    lvColumn.cchTextMax = sizeof buffer;
    if (Send(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&lvColumn)) == FALSE)
        return std::string();
    return std::string(buffer);
}

bool CListView::SelectItem(int item) const
{
    LVITEMA lvItem{};
    lvItem.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    lvItem.state = LVIS_SELECTED | LVIS_FOCUSED;
    return Send(LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem)) != FALSE;
}

bool CImageList::Create(int width, int height, UINT flags, int initial, int grow)
{
    Destroy();
    m_list = ImageList_Create(width, height, flags, initial, grow);
    return m_list != nullptr;
}

void CImageList::Destroy()
{
    if (m_list != nullptr) {
        ImageList_Destroy(m_list);
        m_list = nullptr;
    }
}
