#include "app/CAboutDlg.h"

#include "resource.h"
#include "sysinfo/FileVersion.h"
#include "win/Pictures.h"
#include "win/Text.h"

#include <string>
#include <utility>

namespace {

// "PC/SC Kardoskop v" and the program's version in `form`; the fixed program title, which the
// caption and the version line show instead, when the program file has no version information.
std::string ProgramVersion(int form)
{
    std::string text;
    return GetProgramVersionText(text, form) ? text : std::string(kProgramTitle);
}
}  // namespace

CAboutDlg::CAboutDlg() : CModalDialog(IDD_ABOUT) {}

CAboutDlg::~CAboutDlg() = default;

bool CAboutDlg::OnInitDialog()
{
    SetText(LoadText(IDS_ABOUT_CAPTION) + " " + ProgramVersion(VersionShort));
    SetItemText(IDC_VERSION_LINE, ProgramVersion(VersionFull));
    ShowIcon();
    return true;
}

bool CAboutDlg::OnMessage(UINT message, WPARAM, LPARAM, LRESULT&)
{
    if (message == WM_NCDESTROY)
        m_icon.Reset();
    return false;
}

// The template's picture (the box's first control) shows the 32 px icon; it gets the icon drawn
// for the box's scale, sized to show it whole at the template's place.
void CAboutDlg::ShowIcon()
{
    HWND picture = GetWindow(m_hWnd, GW_CHILD);
    if (picture == nullptr || (GetWindowLongA(picture, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
        return;
    CIcon icon = ShowIconPicture(picture, ResourceModule(), IDI_APP, ScalePx(32, PictureDpi()));
    if (icon)
        m_icon = std::move(icon);
}
