#include "app/CLanguageDlg.h"

#include "app/CLanguageDlgChoice.h"
#include "resource.h"
#include "win/Text.h"

namespace {
// Fixed in the program, not in the string table: the same words in both languages.
constexpr char kNoSelectionText[] = "keine g\xFC" "ltige Auswahl getroffen!";
constexpr char kNoSelectionCaption[] = "Sprache";
}  // namespace

CLanguageDlg::CLanguageDlg() : CModalDialog(IDD_LANGUAGE) {}

CLanguageDlg::~CLanguageDlg() = default;

void CLanguageDlg::DoDataExchange()
{
    m_languageList.Attach(GetItem(IDC_LANGUAGE_LIST));
}

bool CLanguageDlg::OnInitDialog()
{
    // LB_INSERTSTRING keeps these positions although the list has the sorted style, so the
    // module's words may sort otherwise.
    const std::string german = LoadText(IDS_GERMAN);
    const std::string english = LoadText(IDS_ENGLISH);
    m_languageList.Send(LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(german.c_str()));
    m_languageList.Send(LB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(english.c_str()));

    m_languageList.Send(LB_SETCURSEL, static_cast<WPARAM>(InitialLanguageSelection()));
    m_initialSelection = static_cast<int>(m_languageList.Send(LB_GETCURSEL));
    return true;
}

bool CLanguageDlg::OnCommand(WORD notifyCode, WORD id, HWND control)
{
    if (id == IDOK) {
        OnOK();
        return true;
    }
    return CModalDialog::OnCommand(notifyCode, id, control);
}

void CLanguageDlg::OnOK()
{
    const int selection = static_cast<int>(m_languageList.Send(LB_GETCURSEL));
    switch (ConfirmLanguageChoice(m_initialSelection, selection)) {
    case LanguageOkAction::Restart:
        MessageBoxA(m_hWnd, LoadText(IDS_LANGUAGE_CHANGED).c_str(), LoadText(IDS_LANGUAGE_CAPTION).c_str(),
                    MB_OK | MB_ICONINFORMATION);
        break;
    case LanguageOkAction::NoSelection:
        MessageBoxA(m_hWnd, kNoSelectionText, kNoSelectionCaption, MB_OK);
        break;
    case LanguageOkAction::Nothing:
        break;
    }
    End(IDOK);
}
