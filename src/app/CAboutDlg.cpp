#include "app/CAboutDlg.h"

#include "resource.h"
#include "sysinfo/FileVersion.h"
#include "win/Text.h"

#include <string>

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
    return true;
}
