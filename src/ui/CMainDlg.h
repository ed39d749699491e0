#pragma once
// The program's window (dialog 102): the reader list on the left, one page on the right. Selecting
// a reader starts a continuous status monitor on it; each report fills that reader's page.

#include "pcsc/PcscAccess.h"
#include "pcsc/StatusMonitor.h"
#include "sysinfo/SysInfo.h"
#include "ui/CContactPage.h"
#include "ui/CContactlessPage.h"
#include "ui/CGeneralPage.h"
#include "win/Controls.h"
#include "win/Dialog.h"
#include "win/Handles.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Page codes of SetPageItemText.
enum PageCode : int {
    kGeneralPageCode = 0,
    kContactPageCode = 1,
    kContactlessPageCode = 2,
};

// The log writer's types: the members that write the log live in report/, and ui/ includes
// nothing from there.
class CLogFile;
struct LogPiece;

class CMainDlg : public CModalDialog {
public:
    CMainDlg();
    ~CMainDlg() override;

    void StartMonitor(const std::string& readerName, bool oneShot);
    void StopMonitor();
    // Shows the page of list item `index` and starts monitoring its reader.
    void ShowSelectedReader(int index);
    // Sets control `id` of page `page` to `text`, or to string `stringId` when `text` is empty.
    bool SetPageItemText(int page, int id, const std::string& text, unsigned stringId);

    CListView m_readerList;
    HICON m_hIcon = nullptr;
    int m_selectedItem = 0;
    CGeneralPage m_generalPage;
    CContactPage m_contactPage;
    CContactlessPage m_contactlessPage;
    int m_pagePlacement[4] = {};  // x, y, width, height
    bool m_busy = false;
    std::string m_itemText;
    std::string m_rmStatusText;
    SCARDCONTEXT m_hContext = 0;
    PcscResult m_contextResult = 0;
    std::uint32_t m_readersLength = 0;
    char* m_readers = nullptr;
    bool m_readersAvailable = false;
    // The monitor thread (m_hThread), its block and the last report received (m_lastEvent).
    CStatusMonitor m_monitor;
    std::map<std::string, std::string> m_readerNameByItem;
    CPcscAccess m_pcsc;
    CSysInfo m_sysInfo;
    CImageList m_imageList;
    std::vector<std::string> m_supportedReaders;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(WORD notifyCode, WORD id, HWND control) override;
    bool OnNotify(UINT_PTR id, NMHDR* header, LRESULT& result) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // "&Logfile erstellen": writes the whole diagnosis into a file the user chooses.
    void OnLogFile();
    // Writes `text`, or string `stringId` when `text` is empty (id 0: nothing). False when the
    // write failed; the failure is traced and remembered by the file.
    bool WriteStringToFile(CLogFile& file, std::string text, unsigned stringId);
    // "S&prache" and the system menu's About entry.
    void OnLanguage();
    void OnAbout();

private:
    void StartUp();
    void AdaptSystemMenu();
    void SetWindowIcons();
    void SetCaption();
    void ResetState();
    void FillImageList();
    void ListSupportedReaders();
    void CreatePages();
    void PlacePages();
    // The top of the highest button of the row below the pages, in client pixels.
    int ButtonRowTop() const;
    void CentreIcons();
    void Refresh();
    void Close();
    void ReleaseReaderData();
    void ReleaseContext();
    bool PaintMinimized();

    void OnSelectionChanged();
    void ClearReaderPages();
    void ShowFirmware(int page, const std::string& readerName);
    void OnReaderEvent(WPARAM wParam, LPARAM lParam);
    void ShowCard(int page, bool contactless, const std::string& readerName, unsigned char* atrBlock);
    void ShowEmptyReader(int page, bool contactless);
    void ShowUid(const std::string& readerName);
    void FillDetails(int page, const std::vector<std::string>& rows);
    void ShowNotAvailableDetails(int page);

    void WriteLog(const std::string& path);
    void WriteFirmwareBlock(CLogFile& file, const std::string& readerName);
    void WriteCardBlock(CLogFile& file, const std::string& readerName);
    void WritePieces(CLogFile& file, const std::vector<LogPiece>& pieces);
    void ShowLogMessage(const std::string& text);

    CModelessDialog& Page(int page);
    CListView& DetailsList(int page);
    CEdit& AtrEdit(int page);

    bool m_systemMenuAdapted = false;
    // The window's icons drawn for its scale: big (m_hIcon while loaded) and small, from the
    // application icon's 16 px drawing. The shared icon of the construction stands in when a
    // load fails.
    HICON m_sharedIcon = nullptr;
    CIcon m_bigIcon;
    CIcon m_smallIcon;
};
