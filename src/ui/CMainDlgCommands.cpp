// The main dialog's commands that open further dialogs or write the log.
#include "ui/CMainDlg.h"

void CMainDlg::OnLogFile()
{
}

void CMainDlg::OnLanguage()
{
}

void CMainDlg::OnAbout()
{
}
