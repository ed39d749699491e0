#pragma once
// The About box (100): the program's name and exact version.

#include "win/Dialog.h"
#include "win/Dpi.h"
#include "win/Handles.h"
#include "win/Pictures.h"

class CAboutDlg : public CModalDialog {
public:
    CAboutDlg();
    ~CAboutDlg() override;

protected:
    bool OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    // The scale the box's template is laid out at, which its icon follows; virtual so that a test
    // can draw it for another scale than its own.
    virtual int PictureDpi() const { return TemplatePictureDpi(TemplateDpi(m_hWnd)); }

private:
    void ShowIcon();

    // The application icon drawn for the box's scale; the picture control does not free it.
    CIcon m_icon;
};
