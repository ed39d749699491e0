#pragma once
// The About box (100): the program's name and exact version.

#include "win/Dialog.h"

class CAboutDlg : public CModalDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    bool OnInitDialog() override;
};
