// The main dialog at run time: reader selection and the card events of the status monitor.
#include "ui/CMainDlg.h"

#include "atr/DetailRows.h"
#include "pcsc/AtrBlock.h"
#include "pcsc/HexLine.h"
#include "resource.h"
#include "sysinfo/FileVersionText.h"
#include "sysinfo/FirmwareDisplay.h"
#include "sysinfo/FirmwareQuery.h"
#include "sysinfo/ReaderTests.h"
#include "win/Text.h"
#include "win/Trace.h"

#include <cstdlib>

CModelessDialog& CMainDlg::Page(int page)
{
    if (page == kGeneralPageCode)
        return m_generalPage;
    if (page == kContactlessPageCode)
        return m_contactlessPage;
    return m_contactPage;
}

CListView& CMainDlg::DetailsList(int page)
{
    return page == kContactlessPageCode ? m_contactlessPage.m_detailsList : m_contactPage.m_detailsList;
}

CEdit& CMainDlg::AtrEdit(int page)
{
    return page == kContactlessPageCode ? m_contactlessPage.m_atrEdit : m_contactPage.m_atrEdit;
}

bool CMainDlg::SetPageItemText(int page, int id, const std::string& text, unsigned stringId)
{
    if (page != kGeneralPageCode && page != kContactPageCode && page != kContactlessPageCode) {
        Trace("Error: SetItemText()\n");
        return false;
    }
    Page(page).SetItemText(id, text.empty() ? LoadText(stringId) : text);
    return true;
}

void CMainDlg::OnSelectionChanged()
{
    int index = m_readerList.GetSelectedItem();
    if (index == -1 || index == m_selectedItem)
        return;
    m_selectedItem = index;
    ShowSelectedReader(index);
}

void CMainDlg::ShowSelectedReader(int index)
{
    StopMonitor();
    if (m_selectedItem == 0) {
        m_generalPage.Show(SW_HIDE);
        m_contactPage.Show(SW_HIDE);
        m_contactlessPage.Show(SW_HIDE);
        m_generalPage.SetPos(HWND_TOP, m_pagePlacement[0], m_pagePlacement[1], m_pagePlacement[2],
                             m_pagePlacement[3], SWP_SHOWWINDOW);
        return;
    }

    // The whole item text: display names run to 99 characters, and a cut one is in no entry.
    auto found = m_readerNameByItem.find(m_readerList.GetItemText(index, 0));
    const std::string readerName = found != m_readerNameByItem.end() ? found->second : std::string();

    ClearReaderPages();
    const int page = IsContactlessReader(readerName) ? kContactlessPageCode : kContactPageCode;
    StartMonitor(readerName, false);
    m_generalPage.Show(SW_HIDE);
    m_contactPage.Show(SW_HIDE);
    m_contactlessPage.Show(SW_HIDE);
    Page(page).SetItemText(IDC_READER_GROUP, readerName);
    ShowFirmware(page, readerName);
    // The page is shown by the monitor's first report.
}

void CMainDlg::ClearReaderPages()
{
    for (int id : {IDC_CARD_STATUS, IDC_FIRMWARE, IDC_EMV, IDC_ATR})
        m_contactPage.SetItemText(id, "");
    m_contactPage.m_detailsList.DeleteAllItems();
    for (int id : {IDC_CARD_STATUS, IDC_FIRMWARE, IDC_EMV, IDC_UID, IDC_ATR})
        m_contactlessPage.SetItemText(id, "");
    m_contactlessPage.m_detailsList.DeleteAllItems();
}

void CMainDlg::ShowFirmware(int page, const std::string& readerName)
{
    char firmware[kVersionTextSize] = {};
    char emv[kVersionTextSize] = {};
    FirmwareQueryStatus status = QueryFirmwareVersion(m_hContext, readerName.c_str(), firmware, emv);
    if (status == FwLibraryMissing) {
        MessageBoxA(m_hWnd, VendorDllMissingMessage(LoadText).c_str(), kProgramTitle,
                    MB_ICONEXCLAMATION | MB_OK);
    }
    if (status < FwLibraryMissing || status > FwOnly)
        return;
    FirmwareFields fields = FirmwareDisplay(status, firmware, emv, LoadText);
    SetPageItemText(page, IDC_FIRMWARE, fields.firmware, IDS_NOT_AVAILABLE);
    SetPageItemText(page, IDC_EMV, fields.emv, IDS_NOT_AVAILABLE);
}

void CMainDlg::OnReaderEvent(WPARAM wParam, LPARAM lParam)
{
    // The monitor's report brings its two records in the message parameters.
    auto* event = reinterpret_cast<MonitorEvent*>(wParam);      // NOLINT(performance-no-int-to-ptr)
    auto* atrBlock = reinterpret_cast<unsigned char*>(lParam);  // NOLINT(performance-no-int-to-ptr)
    // A report of a monitor that has since been stopped or restarted is dropped unseen.
    if (!m_monitor.AcceptReport(event, atrBlock))
        return;

    m_busy = true;
    HCURSOR previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));

    const std::int32_t kind = event->kind;
    const std::string readerName = event->readerName;
    const bool contactless = IsContactlessReader(readerName);
    const int page = contactless ? kContactlessPageCode : kContactPageCode;
    DetailsList(page).DeleteAllItems();

    if (kind == CardPresent)
        ShowCard(page, contactless, readerName, atrBlock);
    else if (kind == ReaderEmpty)
        ShowEmptyReader(page, contactless);
    std::free(atrBlock);

    CModelessDialog& shown = Page(page);
    shown.UpdateData();
    RedrawWindow(shown, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    shown.Show(SW_SHOW);

    SetCursor(previousCursor);
    m_busy = false;
}

void CMainDlg::ShowCard(int page, bool contactless, const std::string& readerName, unsigned char* atrBlock)
{
    SetPageItemText(page, IDC_CARD_STATUS, "", contactless ? IDS_CARD_IN_FIELD : IDS_CARD_INSERTED);
    const unsigned length = atrBlock != nullptr ? atrBlock[0] : 0;
    const CEdit& atrEdit = AtrEdit(page);
    switch (ClassifyAtrLength(length)) {
    case AtrLengthKind::CardAtr: {
        atrEdit.SetUpperCase();
        SetPageItemText(page, IDC_ATR, HexLine(atrBlock + 1, length), IDS_NOT_AVAILABLE);
        DetailsList(page).DeleteAllItems();
        std::vector<std::string> rows;
        m_pcsc.DecodeAtr(m_hContext, readerName.c_str(), contactless, atrBlock, rows);
        FillDetails(page, rows);
        break;
    }
    case AtrLengthKind::NoAtr:
        atrEdit.SetUpperCase();
        SetPageItemText(page, IDC_ATR, "0", IDS_NOT_AVAILABLE);
        ShowNotAvailableDetails(page);
        break;
    case AtrLengthKind::TooLong:
        atrEdit.ClearCaseConversion();
        ShowNotAvailableDetails(page);
        SetPageItemText(page, IDC_ATR, "", IDS_ERROR);
        break;
    }
    if (contactless)
        ShowUid(readerName);
}

void CMainDlg::ShowUid(const std::string& readerName)
{
    unsigned char uid[CPcscAccess::kUidBufferSize] = {};
    int count = 0;
    if (m_pcsc.ReadUid(m_hContext, readerName.c_str(), uid, count)) {
        std::string text = HexLine(uid, static_cast<size_t>(count));
        Trace(text.c_str());
        m_contactlessPage.m_uidEdit.SetUpperCase();
        // An empty UID shows as an empty field, not as a substituted text.
        m_contactlessPage.SetItemText(IDC_UID, text);
    } else {
        m_contactlessPage.m_uidEdit.ClearCaseConversion();
        Trace("UID failed\n");
        SetPageItemText(kContactlessPageCode, IDC_UID, "", IDS_NOT_AVAILABLE);
    }
}

void CMainDlg::ShowEmptyReader(int page, bool contactless)
{
    SetPageItemText(page, IDC_CARD_STATUS, "", contactless ? IDS_NO_CARD_IN_FIELD : IDS_NO_CARD_INSERTED);
    if (contactless) {
        m_contactlessPage.m_uidEdit.ClearCaseConversion();
        SetPageItemText(page, IDC_UID, "", IDS_NOT_AVAILABLE);
    }
    AtrEdit(page).ClearCaseConversion();
    ShowNotAvailableDetails(page);
    SetPageItemText(page, IDC_ATR, "", IDS_NOT_AVAILABLE);
}

void CMainDlg::FillDetails(int page, const std::vector<std::string>& rows)
{
    const CListView& list = DetailsList(page);
    for (const DetailRow& row : PairDetailRows(rows)) {
        const int item = list.InsertItem(list.GetItemCount(), row.property);
        list.SetItemText(item, 1, row.value);
    }
}

void CMainDlg::ShowNotAvailableDetails(int page)
{
    const CListView& list = DetailsList(page);
    list.DeleteAllItems();
    list.InsertItem(0, LoadText(IDS_NOT_AVAILABLE));
}
