#include "ui/CContactPage.h"

#include "resource.h"
#include "win/Dpi.h"
#include "win/Text.h"

#include <algorithm>

void InitDetailsList(const CListView& list, int propertyWidth, int valueWidth)
{
    // The two columns fill the list beside its vertical scroll bar. The list grows with the
    // template, the scroll bar with the display scale: where the template grows less, "Wert"
    // gives way, so that no horizontal scroll bar appears.
    const int dpi = TemplateDpi(::GetParent(list.Handle()));
    const int property = ScalePx(propertyWidth, dpi);
    const int room = list.ClientRect().right - GetSystemMetrics(SM_CXVSCROLL) - property;
    list.InsertColumn(0, LoadText(IDS_PROPERTY), property);
    const int value = ScalePx(valueWidth, dpi);
    list.InsertColumn(1, LoadText(IDS_VALUE), room > 0 ? std::min(value, room) : value);
    list.DeleteAllItems();
    list.SetExtendedStyle(0, LVS_EX_FULLROWSELECT);
}

CContactPage::CContactPage() : CModelessDialog(IDD_CONTACT_PAGE) {}

CContactPage::~CContactPage() = default;

void CContactPage::DoDataExchange()
{
    m_atrEdit.Attach(GetItem(IDC_ATR));
    m_detailsList.Attach(GetItem(IDC_DETAILS));
}

bool CContactPage::OnInitDialog()
{
    InitDetailsList(m_detailsList, kPropertyWidth, kValueWidth);
    return true;
}
