// The main dialog's commands that open further dialogs.
#include "ui/CMainDlg.h"

#include "app/CAboutDlg.h"
#include "app/CLanguageDlg.h"

// Both run over the main window and are made anew each time; their results do not matter.
void CMainDlg::OnLanguage()
{
    CLanguageDlg dialog;
    dialog.DoModal(m_hWnd);
}

void CMainDlg::OnAbout()
{
    CAboutDlg dialog;
    dialog.DoModal(m_hWnd);
}
