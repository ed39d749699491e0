#pragma once
// Dialogs over templates of the resource module in use. One static dialog procedure finds the
// object of a window and hands each message to a virtual handler; a handler returns true when it
// dealt with the message, false for the platform's default handling.

#include <windows.h>

#include "win/Window.h"

class CDialog : public CWindow {
public:
    explicit CDialog(unsigned templateId) : m_templateId(templateId) {}
    virtual ~CDialog() = default;
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    unsigned TemplateId() const { return m_templateId; }

    // Binds the members to their controls and transfers the data the dialog keeps to them; runs
    // before OnInitDialog and whenever the owner asks for it.
    void UpdateData() { DoDataExchange(); }

protected:
    virtual void DoDataExchange() {}
    // The result of WM_INITDIALOG: true lets the platform give the focus to the first tab stop.
    virtual bool OnInitDialog() { return true; }
    virtual bool OnCommand(WORD notifyCode, WORD id, HWND control);
    // `result` is the notification's answer (DWLP_MSGRESULT).
    virtual bool OnNotify(UINT_PTR id, NMHDR* header, LRESULT& result);
    // Every other message. For the messages whose answer is the dialog procedure's own result
    // (WM_CTLCOLOR*, WM_QUERYDRAGICON, ...) `result` is returned directly.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    unsigned m_templateId;
};

// Runs its own message loop until End() is called.
class CModalDialog : public CDialog {
public:
    using CDialog::CDialog;

    // The value passed to End(), or -1 when the dialog could not be created.
    INT_PTR DoModal(HWND parent);
    bool End(INT_PTR result) { return ::EndDialog(m_hWnd, result) != FALSE; }

protected:
    // OK and Cancel end the dialog with their id unless a derived class handles them.
    bool OnCommand(WORD notifyCode, WORD id, HWND control) override;
};

// A dialog window that lives in its parent's message loop, such as a page of the main window.
class CModelessDialog : public CDialog {
public:
    using CDialog::CDialog;
    // A window that outlives its object would call into freed memory: destroy it first.
    ~CModelessDialog() override;

    // Creates the window hidden or visible as its template says; false when that fails.
    bool Create(HWND parent);
    // Destroys the window if there is one; the object stays and can create it again.
    void DestroyWindowIfAny();
};
