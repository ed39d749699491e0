#include "ui/CContactlessPage.h"

#include "resource.h"
#include "ui/CContactPage.h"

CContactlessPage::CContactlessPage() : CModelessDialog(IDD_CONTACTLESS_PAGE) {}

CContactlessPage::~CContactlessPage() = default;

void CContactlessPage::DoDataExchange()
{
    m_uidEdit.Attach(GetItem(IDC_UID));
    m_atrEdit.Attach(GetItem(IDC_ATR));
    m_detailsList.Attach(GetItem(IDC_DETAILS));
}

bool CContactlessPage::OnInitDialog()
{
    InitDetailsList(m_detailsList, kPropertyWidth, kValueWidth);
    return true;
}
