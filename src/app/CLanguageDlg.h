#pragma once
// The language dialog (149): shows the stored language, stores a changed choice and asks for a
// restart. The running program keeps its language.

#include "win/Dialog.h"

class CLanguageDlg : public CModalDialog {
public:
    CLanguageDlg();
    ~CLanguageDlg() override;

    CWindow m_languageList;
    int m_initialSelection = -1;

protected:
    void DoDataExchange() override;
    bool OnInitDialog() override;
    bool OnCommand(WORD notifyCode, WORD id, HWND control) override;

private:
    void OnOK();
};
