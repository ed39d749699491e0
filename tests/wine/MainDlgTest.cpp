// The main dialog in this process, made modeless so that the test can drive it step by step: the
// system menu over Refreshes, stops of a monitor whose status query hangs, the order of the calls
// at Refresh and closing, and what a selection notification and the log command do. The firmware
// query finds the answering vendor-DLL stand-in (so no message box stops the run): the suite runs
// in a process of its own that is given its folder (KARDOSKOP_MAINDLG_VENDORFW_DIR), and skips in
// any other.
#include "ui/CMainDlg.h"

#include "HeldQuery.h"
#include "PictureResources.h"
#include "SimEnvironment.h"
#include "resource.h"
#include "win/Dpi.h"
#include "win/Pictures.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace {

const char kReader[] = "Talvek CCR 4000 0";
constexpr UINT kAboutCommand = 0x10;
// Wine's own entry at the end of every system menu, after a separator.
constexpr UINT kWineAbout = SC_SCREENSAVE + 1;

std::string Environment(const char* name)
{
    char value[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? value : "";
}

// Makes the protected parts reachable and the dialog modeless.
class TestMainDlg : public CMainDlg {
public:
    using CMainDlg::OnLogFile;

    // Changes the system menu before the dialog's start-up sees it.
    std::function<void(HMENU)> m_shapeSystemMenu;

    bool CreateModeless()
    {
        return CreateDialogParamA(ResourceModule(), MAKEINTRESOURCEA(TemplateId()), nullptr, DialogProc,
                                  reinterpret_cast<LPARAM>(static_cast<CDialog*>(this))) != nullptr;
    }

protected:
    bool OnInitDialog() override
    {
        if (m_shapeSystemMenu)
            m_shapeSystemMenu(GetSystemMenu(Handle(), FALSE));
        return CMainDlg::OnInitDialog();
    }
};

void Pump(DWORD ms, const std::function<bool()>& done = [] { return false; })
{
    const DWORD start = GetTickCount();
    while (!done() && GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

struct OwnedSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedDialog(HWND hWnd, LPARAM lParam)
{
    auto* search = reinterpret_cast<OwnedSearch*>(lParam);
    char name[16] = {};
    GetClassNameA(hWnd, name, sizeof name);
    if (std::string(name) == "#32770" && GetWindow(hWnd, GW_OWNER) == search->owner && IsWindowVisible(hWnd)) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}

// On a thread of its own: waits for a dialog owned by `owner` (a modal one that the UI thread
// runs), hands it to `handle`, and is done. The handler ends the dialog.
class OwnedDialogHandler {
public:
    OwnedDialogHandler(HWND owner, std::function<void(HWND)> handle) : m_owner(owner), m_handle(std::move(handle))
    {
        m_thread = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~OwnedDialogHandler()
    {
        m_stop = true;
        WaitForSingleObject(m_thread, 10000);
        CloseHandle(m_thread);
    }
    OwnedDialogHandler(const OwnedDialogHandler&) = delete;
    OwnedDialogHandler& operator=(const OwnedDialogHandler&) = delete;

    bool Handled() const { return m_handled; }

private:
    static DWORD WINAPI Run(LPVOID parameter)
    {
        auto* self = static_cast<OwnedDialogHandler*>(parameter);
        while (!self->m_stop) {
            OwnedSearch search{self->m_owner, nullptr};
            EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                Sleep(200);  // let it finish its initialisation
                self->m_handle(search.found);
                self->m_handled = true;
                return 0;
            }
            Sleep(20);
        }
        return 0;
    }

    HWND m_owner;
    std::function<void(HWND)> m_handle;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_handled{false};
};

std::string ControlText(HWND control)
{
    char text[256] = {};
    SendMessageA(control, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

class MainDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string folder = Environment("KARDOSKOP_MAINDLG_VENDORFW_DIR");
        if (folder.empty())
            GTEST_SKIP() << "runs in the process given KARDOSKOP_MAINDLG_VENDORFW_DIR";
        ASSERT_TRUE(SetDllDirectoryA(folder.c_str())) << folder;
    }

    void TearDown() override
    {
        if (!m_dialog.IsWindow())
            return;
        // As the dialog's own Close does: the list view would destroy the image list it holds,
        // and the dialog's image-list object destroys it once more.
        SendDlgItemMessageA(m_dialog.Handle(), IDC_READER_LIST, LVM_SETIMAGELIST, LVSIL_NORMAL, 0);
        DestroyWindow(m_dialog.Handle());
    }

    void Start(const std::string& scenario)
    {
        m_sim.UseScenario(scenario);
        ASSERT_TRUE(m_dialog.CreateModeless());
    }

    // Time the dialog takes to handle command `id`, in milliseconds.
    DWORD Command(WORD id)
    {
        const DWORD start = GetTickCount();
        SendMessageA(m_dialog.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
        return GetTickCount() - start;
    }

    bool ContactPageShown() { return IsWindowVisible(m_dialog.m_contactPage.Handle()) != FALSE; }

    // Selects `item` as a click does and waits for its page (when `report` says one comes).
    void Select(int item, bool report = true)
    {
        m_dialog.m_readerList.SelectItem(item);
        if (report)
            Pump(3000, [this] { return ContactPageShown(); });
    }

    SimEnvironment m_sim;
    TestMainDlg m_dialog;
};

std::string ReaderWith(const std::string& settings)
{
    return std::string("[reader ") + kReader + "]\n" + settings;
}

// The system menu's items in order: "-" for a separator, the name of a system command, "About".
std::string MenuItems(HMENU menu)
{
    const struct {
        UINT id;
        const char* name;
    } names[] = {{SC_RESTORE, "Restore"},   {SC_MOVE, "Move"},   {SC_SIZE, "Size"},
                 {SC_MINIMIZE, "Minimize"}, {SC_MAXIMIZE, "Maximize"}, {SC_CLOSE, "Close"},
                 {kWineAbout, "Wine"},      {kAboutCommand, "About"}};
    std::string items;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        const UINT id = GetMenuItemID(menu, i);
        std::string name = (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) != 0
                               ? "-"
                               : "0x" + std::to_string(id);
        for (const auto& known : names)
            if (id == known.id)
                name = known.name;
        items += (items.empty() ? "" : " ") + name;
    }
    return items;
}

// Refresh runs the start-up again; the system menu must be adapted once only: a second pass
// would add another About entry. Wine's menu loses Maximize and the separator above Close.
TEST_F(MainDlgTest, SystemMenuAfterRefreshes)
{
    Start("");
    HMENU menu = GetSystemMenu(m_dialog.Handle(), FALSE);
    ASSERT_NE(menu, nullptr);
    const struct {
        const char* name;
        int refreshes;  // in all, since the start
    } cases[] = {{"after the start", 0}, {"after one Refresh", 1}, {"after three Refreshes", 3}};
    int done = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (; done < c.refreshes; ++done)
            Command(IDC_REFRESH);
        EXPECT_EQ(MenuItems(menu), "Restore Move Size Minimize Close - Wine - About");
        char text[64] = {};
        GetMenuStringA(menu, kAboutCommand, text, sizeof text, MF_BYCOMMAND);
        EXPECT_EQ(std::string(text), LoadText(IDS_ABOUT_MENU));
    }
}

// Windows may build a dialog's system menu otherwise than Wine: one of Move, separator and Close
// loses nothing, and its About entry opens the About box.
TEST_F(MainDlgTest, ShorterSystemMenuKeepsItsItemsAndGainsTheAboutEntry)
{
    m_dialog.m_shapeSystemMenu = [](HMENU menu) {
        while (GetMenuItemCount(menu) > 0)
            DeleteMenu(menu, 0, MF_BYPOSITION);
        AppendMenuA(menu, MF_STRING, SC_MOVE, "Move");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, SC_CLOSE, "Close");
    };
    Start("");
    HMENU menu = GetSystemMenu(m_dialog.Handle(), FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuItems(menu), "Move - Close - About") << "after the start";
    Command(IDC_REFRESH);
    EXPECT_EQ(MenuItems(menu), "Move - Close - About") << "after a Refresh";
    bool aboutBox = false;
    {
        OwnedDialogHandler about(m_dialog.Handle(), [&aboutBox](HWND dialog) {
            aboutBox = GetDlgItem(dialog, IDC_VERSION_LINE) != nullptr;
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(m_dialog.Handle(), WM_SYSCOMMAND, GetMenuItemID(menu, GetMenuItemCount(menu) - 1), 0);
        EXPECT_TRUE(about.Handled());
    }
    EXPECT_TRUE(aboutBox) << "the entry opened another dialog";
}

// The window's icons and the reader list's icons are drawn for the window's scale: the big icon at
// the icon size, the small one the 16 px drawing at the small size, the list's icons at 32 px
// scaled. Refresh replaces the window's icons and frees the ones it replaced.
TEST_F(MainDlgTest, IconsFollowTheWindowsScale)
{
    Start(ReaderWith("card = absent\n"));
    const int dpi = WindowDpi(m_dialog.Handle());
    auto windowIcon = [this](WPARAM kind) {
        return reinterpret_cast<HICON>(SendMessageA(m_dialog.Handle(), WM_GETICON, kind, 0));
    };
    const HICON firstIcons[] = {windowIcon(ICON_BIG), windowIcon(ICON_SMALL)};
    Command(IDC_REFRESH);
    for (HICON icon : firstIcons) {
        ICONINFO info{};
        EXPECT_FALSE(GetIconInfo(icon, &info)) << "an icon of the first start-up is still there";
    }

    EXPECT_EQ(IconWidth(windowIcon(ICON_BIG)), ScalePx(32, dpi));
    EXPECT_EQ(windowIcon(ICON_BIG), m_dialog.m_hIcon);
    EXPECT_EQ(IconWidth(windowIcon(ICON_SMALL)), ScalePx(16, dpi));
    HICON drawnSmall = LoadIconPx(GetModuleHandleA(nullptr), IDI_APP_SMALL, ScalePx(16, dpi));
    EXPECT_EQ(IconPixels(windowIcon(ICON_SMALL)), IconPixels(drawnSmall));
    DestroyIcon(drawnSmall);

    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(
        SendDlgItemMessageA(m_dialog.Handle(), IDC_READER_LIST, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    int width = 0;
    int height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images, &width, &height));
    EXPECT_EQ(width, ScalePx(32, dpi));
    EXPECT_EQ(height, ScalePx(32, dpi));
    EXPECT_EQ(ImageList_GetImageCount(images), 3);
}

std::vector<std::string> LinesFrom(const std::vector<std::string>& lines, std::size_t first)
{
    return std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(std::min(first, lines.size())),
                                    lines.end());
}

// Index of the last line that starts with `call`, or -1.
int LastLine(const std::vector<std::string>& lines, const std::string& call)
{
    for (int i = static_cast<int>(lines.size()) - 1; i >= 0; --i)
        if (lines[static_cast<std::size_t>(i)].compare(0, call.size(), call) == 0)
            return i;
    return -1;
}

int CountLines(const std::vector<std::string>& lines, const std::string& call)
{
    int count = 0;
    for (const std::string& line : lines)
        count += line.compare(0, call.size(), call) == 0;
    return count;
}

// A reader whose status query does not come back while its page is asked for: Refresh and
// closing return all the same. In the call journal the monitor's query has ended before the
// context is released (Refresh) or cancelled and released (closing), and nothing follows.
TEST_F(MainDlgTest, RefreshAndCloseStopAMonitorWhoseQueryHangs)
{
    Start(ReaderWith("card = present\natr = 3B 02 14 50\n" + HeldQueryDelay()));
    const struct {
        const char* name;
        WORD command;
        bool cancelled;  // the context is cancelled before it is released
    } cases[] = {{"Refresh", IDC_REFRESH, false}, {"closing", IDCANCEL, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t journalStart = m_sim.JournalLines().size();
        Select(1, false);
        Pump(300);  // the monitor sits in its first query by now
        EXPECT_FALSE(ContactPageShown());
        EXPECT_LT(Command(c.command), StopLimitMs()) << "the stop waited for the held query";
        const std::vector<std::string> lines = LinesFrom(m_sim.JournalLines(), journalStart);
        const int query = LastLine(lines, "SCardGetStatusChangeA");
        const int cancel = LastLine(lines, "SCardCancel");
        const int release = LastLine(lines, "SCardReleaseContext");
        ASSERT_GE(query, 0);
        ASSERT_GE(release, 0);
        EXPECT_NE(lines[static_cast<std::size_t>(query)].find("-> 0x80100002"), std::string::npos)
            << "the query was cancelled: " << lines[static_cast<std::size_t>(query)];
        EXPECT_LT(query, release) << "the monitor still polled when the context was released";
        if (c.cancelled) {
            EXPECT_LT(query, cancel);
            EXPECT_LT(cancel, release);
            EXPECT_EQ(release, static_cast<int>(lines.size()) - 1) << "a call after the release";
        } else {
            // The new context is established after the old one is released.
            EXPECT_LT(release, LastLine(lines, "SCardEstablishContext"));
            EXPECT_EQ(CountLines(LinesFrom(lines, static_cast<std::size_t>(release)), "SCardGetStatusChangeA"), 0);
        }
    }
}

// A notification for the item whose page is shown (a click on it again) changes nothing: the
// monitor keeps running, the page stays as it is.
TEST_F(MainDlgTest, SelectingTheSelectedItemDoesNothing)
{
    Start(ReaderWith("card = present\natr = 3B 02 14 50\nfirmware = 0 0x01020304 0 0x01000000\n"));
    Select(1);
    ASSERT_TRUE(ContactPageShown());
    const std::uint32_t generation = m_dialog.m_monitor.Block().generation;
    // Marks the page: a new selection would clear the field and fill it again.
    SetDlgItemTextA(m_dialog.m_contactPage.Handle(), IDC_CARD_STATUS, "marked");
    m_sim.ClearJournal();

    NMLISTVIEW notification{};
    notification.hdr.hwndFrom = m_dialog.m_readerList.Handle();
    notification.hdr.idFrom = IDC_READER_LIST;
    notification.hdr.code = LVN_ITEMCHANGED;
    notification.iItem = 1;
    notification.uChanged = LVIF_STATE;
    notification.uNewState = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(m_dialog.Handle(), WM_NOTIFY, IDC_READER_LIST, reinterpret_cast<LPARAM>(&notification));
    Pump(600);

    EXPECT_EQ(m_dialog.m_monitor.Block().generation, generation) << "the monitor was started again";
    EXPECT_EQ(m_sim.JournalCount("SCardCancel"), 0u) << "the monitor was stopped";
    EXPECT_TRUE(ContactPageShown());
    char status[32] = {};
    GetDlgItemTextA(m_dialog.m_contactPage.Handle(), IDC_CARD_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "marked");
}

// The log command with no item selected (a click beside the icons took the selection away, which
// changes nothing): at its end the page shown before comes back with its reader watched again,
// here after a cancelled save dialog. The dialog is checked while it is open.
TEST_F(MainDlgTest, LogCommandWithNoItemSelectedShowsThePageAgain)
{
    Start(ReaderWith("card = present\natr = 3B 02 14 50\nfirmware = 0 0x01020304 0 0x01000000\n"));
    Select(1);
    ASSERT_TRUE(ContactPageShown());
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    SendMessageA(m_dialog.m_readerList.Handle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(&state));
    ASSERT_EQ(m_dialog.m_readerList.GetSelectedItem(), -1);
    ASSERT_TRUE(ContactPageShown()) << "losing the selection changes nothing";

    std::string fileName;
    std::vector<std::string> types;
    int typeSelected = -2;
    bool readOnlyBoxShown = true;
    {
        OwnedDialogHandler cancel(m_dialog.Handle(), [&](HWND save) {
            HWND nameBox = GetDlgItem(save, 0x47c);
            HWND nameEdit = reinterpret_cast<HWND>(SendMessageA(nameBox, CBEM_GETEDITCONTROL, 0, 0));
            fileName = ControlText(nameEdit != nullptr ? nameEdit : nameBox);
            HWND typeBox = GetDlgItem(save, 0x470);
            const int count = static_cast<int>(SendMessageA(typeBox, CB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) {
                char text[128] = {};
                SendMessageA(typeBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
                types.push_back(text);
            }
            typeSelected = static_cast<int>(SendMessageA(typeBox, CB_GETCURSEL, 0, 0));
            HWND readOnly = GetDlgItem(save, 0x410);
            readOnlyBoxShown = readOnly != nullptr && IsWindowVisible(readOnly);
            PostMessageA(save, WM_COMMAND, IDCANCEL, 0);
        });
        m_dialog.OnLogFile();
        EXPECT_TRUE(cancel.Handled());
    }
    EXPECT_EQ(fileName, "PCSC_Kardoskop.log");
    EXPECT_EQ(types, (std::vector<std::string>{"Logfile (*.log)", "All Files (*.*)"}));
    EXPECT_EQ(typeSelected, 0);
    EXPECT_FALSE(readOnlyBoxShown);

    EXPECT_EQ(m_dialog.m_monitor.Block().readerName, kReader) << "the monitor watches no reader";
    Pump(3000, [this] { return ContactPageShown(); });
    EXPECT_TRUE(ContactPageShown());
    char status[32] = {};
    GetDlgItemTextA(m_dialog.m_contactPage.Handle(), IDC_CARD_STATUS, status, sizeof status);
    EXPECT_STREQ(status, "Karte gesteckt");
}

std::string CurrentFolder()
{
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    return folder;
}

// A log saved into another folder (a USB stick) leaves the program's current folder as it was:
// were it the stick's, the stick could not be ejected while the program runs. The user goes into
// the folder in the dialog (its name and Save), then saves the log there under its initial name.
TEST_F(MainDlgTest, LogRunIntoAnotherFolderLeavesTheCurrentFolder)
{
    Start("");
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "kardoskop-stick-" + std::to_string(GetCurrentProcessId());
    const std::string path = folder + "\\PCSC_Kardoskop.log";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string before = CurrentFolder();
    ASSERT_NE(before, folder);
    {
        OwnedDialogHandler save(m_dialog.Handle(), [&](HWND dialog) {
            HWND nameBox = GetDlgItem(dialog, 0x47c);
            HWND nameEdit = reinterpret_cast<HWND>(SendMessageA(nameBox, CBEM_GETEDITCONTROL, 0, 0));
            HWND name = nameEdit != nullptr ? nameEdit : nameBox;
            SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
            SendMessageA(dialog, WM_COMMAND, IDOK, 0);
            SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("PCSC_Kardoskop.log"));
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        m_dialog.OnLogFile();
        EXPECT_TRUE(save.Handled());
    }
    const std::string after = CurrentFolder();
    SetCurrentDirectoryA(before.c_str());
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "no log in " << folder;
    EXPECT_EQ(after, before);
    DeleteFileA(path.c_str());
    EXPECT_TRUE(RemoveDirectoryA(folder.c_str()));
}

}  // namespace
