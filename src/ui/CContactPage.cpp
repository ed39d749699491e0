#include "ui/CContactPage.h"

#include "resource.h"
#include "win/Text.h"

void InitDetailsList(const CListView& list, int propertyWidth, int valueWidth)
{
    list.InsertColumn(0, LoadText(IDS_PROPERTY), propertyWidth);
    list.InsertColumn(1, LoadText(IDS_VALUE), valueWidth);
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
