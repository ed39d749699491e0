#include "win/Dialog.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <vector>

#include "PageHost.h"
#include "resource.h"

namespace {

// The main window's template run modally: it presses its own buttons and records what arrives.
class CProbeDialog : public CModalDialog {
public:
    CProbeDialog() : CModalDialog(IDD_MAIN) {}

    std::vector<WORD> commands;
    bool initialised = false;
    HWND handleSeenAtInit = nullptr;
    LRESULT dragIconAnswer = 0;

protected:
    bool OnInitDialog() override
    {
        initialised = true;
        handleSeenAtInit = m_hWnd;
        // Answered directly by the dialog procedure, not through DWLP_MSGRESULT.
        dragIconAnswer = Send(WM_QUERYDRAGICON);
        Post(WM_COMMAND, MAKEWPARAM(IDC_REFRESH, BN_CLICKED));
        Post(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
        return true;
    }
    bool OnCommand(WORD notifyCode, WORD id, HWND control) override
    {
        commands.push_back(id);
        if (id == IDC_REFRESH)
            return true;
        return CModalDialog::OnCommand(notifyCode, id, control);
    }
    bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override
    {
        if (message != WM_QUERYDRAGICON)
            return false;
        result = 0x1234;
        return true;
    }
};

TEST(CDialog, ModalRunDispatchesToHandlersAndEndsOnCancel)
{
    CProbeDialog dialog;
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_TRUE(dialog.initialised);
    EXPECT_NE(dialog.handleSeenAtInit, nullptr);
    EXPECT_EQ(dialog.commands, (std::vector<WORD>{IDC_REFRESH, IDCANCEL}));
    EXPECT_EQ(dialog.dragIconAnswer, 0x1234);
    // The object lets go of the window when it is gone.
    EXPECT_EQ(dialog.Handle(), nullptr);
}

TEST(CDialog, MissingTemplateFailsCleanly)
{
    class CNoTemplate : public CModelessDialog {
    public:
        CNoTemplate() : CModelessDialog(9999) {}
    } page;
    CPageHost host;
    EXPECT_FALSE(page.Create(host.Handle()));
    EXPECT_EQ(page.Handle(), nullptr);
}

// A page that answers a list-view notification of its own.
class CNotifyPage : public CModelessDialog {
public:
    CNotifyPage() : CModelessDialog(IDD_CONTACT_PAGE) {}
    UINT_PTR lastFrom = 0;

protected:
    bool OnNotify(UINT_PTR id, NMHDR* header, LRESULT& result) override
    {
        if (header->code != NM_CUSTOMDRAW || id != 4711)
            return false;
        lastFrom = id;
        result = CDRF_NOTIFYITEMDRAW;
        return true;
    }
};

TEST(CDialog, NotificationAnswerReachesTheSender)
{
    CPageHost host;
    CNotifyPage page;
    ASSERT_TRUE(page.Create(host.Handle()));
    NMHDR header{};
    header.hwndFrom = page.GetItem(IDC_DETAILS);
    header.idFrom = 4711;
    header.code = NM_CUSTOMDRAW;
    // SendMessage returns what the dialog procedure put into DWLP_MSGRESULT.
    EXPECT_EQ(page.Send(WM_NOTIFY, 4711, reinterpret_cast<LPARAM>(&header)), CDRF_NOTIFYITEMDRAW);
    EXPECT_EQ(page.lastFrom, 4711u);

    header.idFrom = 1;
    EXPECT_EQ(page.Send(WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&header)), 0);
}

}  // namespace
