#include "win/Dialog.h"

#include "win/Text.h"

namespace {
// Messages for which a dialog procedure returns the answer itself instead of setting
// DWLP_MSGRESULT.
bool AnswersDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
        return true;
    default:
        return false;
    }
}
}  // namespace

bool CDialog::OnCommand(WORD, WORD, HWND)
{
    return false;
}

bool CDialog::OnNotify(UINT_PTR, NMHDR*, LRESULT&)
{
    return false;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_INITDIALOG brings the object in lParam
        dialog = reinterpret_cast<CDialog*>(lParam);
        if (dialog == nullptr)
            return FALSE;
        ::SetWindowLongPtrA(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
        dialog->Attach(hWnd);
    } else {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): the window keeps the object's address
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrA(hWnd, DWLP_USER));
    }
    // Messages before WM_INITDIALOG (WM_SETFONT) and after the object let go of the window.
    if (dialog == nullptr || dialog->m_hWnd != hWnd)
        return FALSE;

    const INT_PTR answer = dialog->Dispatch(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrA(hWnd, DWLP_USER, 0);
        dialog->Detach();
    }
    return answer;
}

INT_PTR CDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        DoDataExchange();
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND:
        // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_COMMAND brings the control in lParam
        return OnCommand(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        // NOLINTNEXTLINE(performance-no-int-to-ptr): WM_NOTIFY brings its header in lParam
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        LRESULT result = 0;
        if (!OnNotify(header->idFrom, header, result))
            return FALSE;
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    default: {
        LRESULT result = 0;
        if (!OnMessage(message, wParam, lParam, result))
            return FALSE;
        if (AnswersDirectly(message))
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }
    }
}

INT_PTR CModalDialog::DoModal(HWND parent)
{
    return ::DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(TemplateId()), parent, DialogProc,
                             reinterpret_cast<LPARAM>(static_cast<CDialog*>(this)));
}

bool CModalDialog::OnCommand(WORD, WORD id, HWND)
{
    if (id == IDOK || id == IDCANCEL)
        return End(id);
    return false;
}

CModelessDialog::~CModelessDialog()
{
    DestroyWindowIfAny();
}

bool CModelessDialog::Create(HWND parent)
{
    DestroyWindowIfAny();
    HWND hWnd = ::CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(TemplateId()), parent, DialogProc,
                                     reinterpret_cast<LPARAM>(static_cast<CDialog*>(this)));
    return hWnd != nullptr;
}

void CModelessDialog::DestroyWindowIfAny()
{
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd))
        ::DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
}
