// "&Logfile erstellen": the whole diagnosis written into a text file the user chooses. The card
// of every supported reader is asked for afresh with a one-shot monitor, so the report does not
// depend on the page shown; everything else comes from what the main dialog and the General page
// already hold.
#include "ui/CMainDlg.h"

#include "report/LogFile.h"
#include "report/LogLayout.h"
#include "report/LogSaveDialog.h"
#include "resource.h"
#include "sysinfo/FileVersionText.h"
#include "sysinfo/FirmwareDisplay.h"
#include "sysinfo/FirmwareQuery.h"
#include "sysinfo/ReaderTests.h"
#include "win/Text.h"
#include "win/Trace.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kOneShotWaitMs = 1500;
// The date and time fields of the header; a longer text is formatted whole (see FormattedText).
constexpr int kDateTimeSize = 32;

bool ChooseLogPath(HWND owner, std::string& path)
{
    LogPathBuffer file;
    OPENFILENAMEA dialog;
    FillLogSaveDialog(dialog, owner, file);
    if (!GetSaveFileNameA(&dialog))
        return false;
    path = file.path;
    return true;
}

// GetDateFormatA and GetTimeFormatA share their shape: on a text that does not fit the field the
// platform leaves nothing usable, so ask for the size it needs and format again.
template <typename Format>
std::string FormattedText(Format format)
{
    char text[kDateTimeSize] = {};
    if (format(text, kDateTimeSize) > 0)
        return text;
    const int size = format(nullptr, 0);
    if (size <= 0)
        return std::string();
    std::vector<char> whole(static_cast<size_t>(size) + 1, '\0');
    format(whole.data(), size);
    return whole.data();
}

std::string LocalDateText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormattedText([&now](char* text, int size) {
        return GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &now, nullptr, text, size);
    });
}

std::string LocalTimeText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return FormattedText([&now](char* text, int size) {
        return GetTimeFormatA(LOCALE_USER_DEFAULT, LOCALE_USE_CP_ACP, &now, nullptr, text, size);
    });
}

}  // namespace

void CMainDlg::OnLogFile()
{
    std::string path;
    const bool chosen = ChooseLogPath(m_hWnd, path);
    HCURSOR previousCursor = nullptr;
    if (chosen) {
        UpdateWindow(m_hWnd);
        m_busy = true;
        previousCursor = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        WriteLog(path);
    }

    // With nothing selected (a click beside the icons clears the selection, and that change is
    // ignored) the page shown is still m_selectedItem's: show that one again. Index -1 would make
    // the monitor watch no reader and leave the right side empty for good.
    int index = m_readerList.GetSelectedItem();
    if (index == -1)
        index = m_selectedItem;
    ShowSelectedReader(index);
    if (chosen)
        SetCursor(previousCursor);
    m_busy = false;
}

void CMainDlg::WriteLog(const std::string& path)
{
    LogSystemPart system;
    system.dateText = LocalDateText();
    system.timeText = LocalTimeText();
    char osText[kOsTextSize] = {};
    m_sysInfo.GetOsDescription(osText);
    osText[kOsTextSize - 1] = '\0';
    system.osText = osText;
    system.rmStatusText = m_rmStatusText;
    system.fileInfo = m_generalPage.m_fileInfo;

    // The report goes to a temporary file that takes the chosen name only once it is whole: the
    // firmware queries and one-shot waits below take seconds, and a vendor DLL that hangs there
    // gets the program ended with the user's earlier log untouched. A folder or file that cannot
    // take the report is refused here, before any reader is asked.
    CLogFile file;
    if (!file.Open(path)) {
        ShowLogMessage(OpenFailedMessage(path, LoadText));
        return;
    }
    WritePieces(file, SystemPartPieces(system));
    if (!m_readersAvailable) {
        WritePieces(file, NoReadersPieces());
    } else {
        // A copy: the message boxes below dispatch the dialog's messages.
        const std::vector<std::string> readers = m_supportedReaders;
        for (const std::string& reader : readers)
            WriteFirmwareBlock(file, reader);
        WritePieces(file, CardSectionPieces());
        for (const std::string& reader : readers)
            WriteCardBlock(file, reader);
        // A reader that did not answer in time leaves its thread polling.
        m_monitor.EndOneShot();
    }
    // A failed write, close or rename leaves the earlier file and no temporary.
    file.Close();
    if (file.Failed())
        ShowLogMessage(WriteFailedMessage(path, LoadText));
}

void CMainDlg::WriteFirmwareBlock(CLogFile& file, const std::string& readerName)
{
    WritePieces(file, FirmwareNamePieces(readerName));
    char firmware[kVersionTextSize] = {};
    char emv[kVersionTextSize] = {};
    const FirmwareQueryStatus status =
        QueryFirmwareVersion(m_hContext, readerName.c_str(), firmware, emv);
    if (status == FwLibraryMissing)
        ShowLogMessage(VendorDllMissingMessage(LoadText));
    WritePieces(file, FirmwareVersionPieces(status, firmware, emv));
}

void CMainDlg::WriteCardBlock(CLogFile& file, const std::string& readerName)
{
    WritePieces(file, CardHeadPieces(readerName));
    // Stops whatever monitor runs, the continuous one or the previous reader's one-shot query.
    StartMonitor(readerName, true);
    MonitorBlock& block = m_monitor.Block();
    const bool answered = WaitForSingleObject(block.hEvent, kOneShotWaitMs) == WAIT_OBJECT_0;

    std::int32_t state = 0;
    unsigned char cardAnswer[sizeof block.atr] = {};
    if (answered) {
        state = block.result;
        std::memcpy(cardAnswer, block.atr, static_cast<size_t>(block.atr[0]) + 1);
    }

    CardAnswer answer;
    answer.contactless = IsContactlessReader(readerName);
    answer.kind = ClassifyCardAnswer(answered, state, cardAnswer[0]);
    if (answer.kind == CardBlockKind::CardWithAtr) {
        answer.atr.assign(cardAnswer + 1, cardAnswer + 1 + cardAnswer[0]);
        if (answer.contactless) {
            unsigned char uid[CPcscAccess::kUidBufferSize] = {};
            int count = 0;
            answer.uidRead = m_pcsc.ReadUid(m_hContext, readerName.c_str(), uid, count);
            if (answer.uidRead && count > 0)
                answer.uid.assign(uid, uid + std::min<int>(count, CPcscAccess::kUidBufferSize));
        }
        m_pcsc.DecodeAtr(m_hContext, readerName.c_str(), answer.contactless, cardAnswer, answer.rows);
    }
    WritePieces(file, CardBodyPieces(answer));
    if (block.hEvent != nullptr)
        ResetEvent(block.hEvent);
}

void CMainDlg::WritePieces(CLogFile& file, const LogPieces& pieces)
{
    // A piece that fails has been traced; the next one is tried all the same, and the user hears
    // of it once the file is closed.
    for (const LogPiece& piece : pieces)
        WriteStringToFile(file, piece.text, piece.id);
}

bool CMainDlg::WriteStringToFile(CLogFile& file, std::string text, unsigned stringId)
{
    if (text.empty()) {
        if (stringId == 0)
            return true;
        text = LoadText(stringId);
    }
    std::string description;
    if (!file.Write(text, description)) {
        TraceF("Error: WriteStringToFile(): %c\n", description.empty() ? '?' : description[0]);
        return false;
    }
    return true;
}

void CMainDlg::ShowLogMessage(const std::string& text)
{
    MessageBoxA(m_hWnd, text.c_str(), kProgramTitle, MB_OK | MB_ICONEXCLAMATION);
    // The box's loop may have handled a card report, whose handler ends with m_busy false.
    m_busy = true;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}
