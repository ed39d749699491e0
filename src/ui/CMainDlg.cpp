#include "ui/CMainDlg.h"

#include "pcsc/ReaderList.h"
#include "resource.h"
#include "sysinfo/FileVersion.h"
#include "sysinfo/ReaderTests.h"
#include "win/Dpi.h"
#include "win/Pictures.h"
#include "win/Text.h"
#include "win/Trace.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace {
constexpr UINT kAboutCommand = 0x10;
// Pixels at 96 DPI: the pages start right of the reader list and leave the window's frame and the
// button row free (they grow with the template); an icon's item starts this far left of the list's
// middle (it grows with the icons, drawn for the display scale).
constexpr int kPageX = 168;
constexpr int kPageWidthLess = 7;
constexpr int kPageHeightLess = 65;
// The height above counts the caption and the frame, which Windows 10 and 11 draw taller than the
// 65 pixels allow for (more so at the larger scales): where the page would reach the button row it
// ends this far above the row's top instead.
constexpr int kPageButtonGap = 4;
constexpr int kIconCentring = 19;

bool IsSeparatorAt(HMENU menu, UINT position)
{
    const UINT state = GetMenuState(menu, position, MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && (state & MF_SEPARATOR) != 0;
}
}  // namespace

CMainDlg::CMainDlg() : CModalDialog(IDD_MAIN)
{
    m_hIcon = LoadIconA(ResourceModule(), MAKEINTRESOURCEA(IDI_APP));
    m_sharedIcon = m_hIcon;
}

CMainDlg::~CMainDlg()
{
    m_monitor.StopMonitor();
    ReleaseReaderData();
}

void CMainDlg::DoDataExchange()
{
    m_readerList.Attach(GetItem(IDC_READER_LIST));
}

bool CMainDlg::OnInitDialog()
{
    StartUp();
    return true;
}

void CMainDlg::StartUp()
{
    AdaptSystemMenu();
    SetWindowIcons();
    SetCaption();
    ResetState();
    FillImageList();
    m_readerList.InsertItem(0, LoadText(IDS_GENERAL), 0);

    m_pcsc.EstablishContext(m_hContext, m_contextResult);
    if (m_contextResult == 0) {
        m_generalPage.SetResourceManagerOk(true);
        m_rmStatusText = LoadText(IDS_RM_OK);
        if (!m_pcsc.ListReaders(m_hContext, m_readersLength, m_readers, m_readersAvailable))
            Trace("list readers failed\n");
        if (m_readersAvailable)
            ListSupportedReaders();
    } else {
        m_generalPage.SetResourceManagerOk(false);
        m_rmStatusText = LoadText(IDS_RM_ERROR);
    }
    m_generalPage.SetHasReaders(m_readersAvailable);

    CreatePages();
    PlacePages();
    m_generalPage.Show(SW_SHOW);

    m_readerList.SetFocus();
    m_readerList.SetSelectionMark(0);
    m_readerList.SelectItem(0);
    CentreIcons();
}

// The About entry replaces the maximise entry and the separator above Close of the standard system
// menu (Restore, Move, Size, Minimize, Maximize, separator, Close). Windows may give a dialog a
// shorter one (Move, separator, Close), so each of the two is deleted only where it stands there:
// never the About entry, never Close. Done once: a second pass at Refresh would add another entry.
void CMainDlg::AdaptSystemMenu()
{
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr || m_systemMenuAdapted)
        return;
    std::string about = LoadText(IDS_ABOUT_MENU);
    if (about.empty())
        return;
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, kAboutCommand, about.c_str());
    if (IsSeparatorAt(menu, 5) && GetMenuItemID(menu, 6) == SC_CLOSE)
        DeleteMenu(menu, 5, MF_BYPOSITION);
    if (GetMenuItemID(menu, 4) == SC_MAXIMIZE)
        DeleteMenu(menu, 4, MF_BYPOSITION);
    m_systemMenuAdapted = true;
}

// The big icon at the window's icon size, the small one from the 16 px drawing at the small-icon
// size, both for the window's scale. The icons of the previous start-up stay in use until the
// window holds the new ones.
void CMainDlg::SetWindowIcons()
{
    const int dpi = WindowDpi(m_hWnd);
    CIcon bigIcon(LoadIconPx(ResourceModule(), IDI_APP, ScalePx(32, dpi)));
    CIcon smallIcon(LoadIconPx(ResourceModule(), IDI_APP_SMALL, ScalePx(16, dpi)));
    m_hIcon = bigIcon ? bigIcon.Get() : m_sharedIcon;
    SetIcon(m_hIcon, true);
    SetIcon(smallIcon ? smallIcon.Get() : m_hIcon, false);
    m_bigIcon = std::move(bigIcon);
    m_smallIcon = std::move(smallIcon);
}

void CMainDlg::SetCaption()
{
    std::string caption;  // "PC/SC Kardoskop v2.1"
    SetText(GetProgramVersionText(caption, VersionShort) ? caption : kProgramTitle);
}

void CMainDlg::ResetState()
{
    m_busy = false;
    m_readersAvailable = false;
    m_monitor.Block().oneShot = false;
    m_selectedItem = 0;
    std::fill(std::begin(m_pagePlacement), std::end(m_pagePlacement), 0);
    m_hContext = 0;
    m_contextResult = 0;
    m_readersLength = 0;
    m_readers = nullptr;
    m_supportedReaders.clear();
    m_rmStatusText.clear();
    m_readerList.DeleteAllItems();
}

namespace {
// The list grows with its template, in steps of the template's font, and the icon spacing with the
// display scale: where two spacings fit side by side (125 % under Wine), the spacing is widened so
// that the items still stand one below the other.
void KeepIconsInOneColumn(const CListView& list)
{
    const auto spacing = static_cast<DWORD>(list.Send(LVM_GETITEMSPACING, FALSE));
    const int width = list.ClientRect().right;
    if (2 * static_cast<int>(LOWORD(spacing)) <= width)
        list.Send(LVM_SETICONSPACING, 0, MAKELPARAM(width / 2 + 1, HIWORD(spacing)));
}
}  // namespace

void CMainDlg::FillImageList()
{
    // 32 x 32 at 96 DPI; the icons are loaded at the list's size, so none is scaled by the list.
    const int size = ScalePx(32, WindowDpi(m_hWnd));
    m_imageList.Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 1);
    for (int id : {IDI_GENERAL, IDI_CONTACT_READER, IDI_CONTACTLESS_READER}) {
        CIcon icon(LoadIconPx(ResourceModule(), id, size));
        m_imageList.AddIcon(icon.Get());
    }
    m_readerList.SetImageList(m_imageList.Handle(), LVSIL_NORMAL);
    KeepIconsInOneColumn(m_readerList);
}

void CMainDlg::ListSupportedReaders()
{
    m_generalPage.SetReaderMultiString(m_readersLength, m_readers);
    int item = 1;
    for (const std::string& name : WalkReaderNames(m_readers, m_readersLength)) {
        if (!IsSupportedReader(name))
            continue;
        m_supportedReaders.push_back(name);
        m_itemText = ReaderDisplayName(name);
        m_readerList.InsertItem(item, m_itemText, IsContactlessReader(name) ? 2 : 1);
        m_readerNameByItem[m_itemText] = name;
        ++item;
    }
}

void CMainDlg::CreatePages()
{
    m_generalPage.Create(m_hWnd);
    m_contactPage.Create(m_hWnd);
    m_contactlessPage.Create(m_hWnd);

    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (CListView* list : {&m_generalPage.m_fileList, &m_contactPage.m_detailsList,
                            &m_contactlessPage.m_detailsList}) {
        list->SetBkColor(face);
        list->SetTextBkColor(face);
    }
}

void CMainDlg::PlacePages()
{
    // The template grows with the display scale; these pixels must grow with it.
    const int dpi = TemplateDpi(m_hWnd);
    RECT window = WindowRect();
    m_pagePlacement[0] = ScalePx(kPageX, dpi);
    m_pagePlacement[1] = 0;
    m_pagePlacement[2] = (window.right - window.left) - ScalePx(kPageWidthLess, dpi);
    m_pagePlacement[3] = (window.bottom - window.top) - ScalePx(kPageHeightLess, dpi);
    const int buttonsTop = ButtonRowTop();
    if (m_pagePlacement[1] + m_pagePlacement[3] > buttonsTop)
        m_pagePlacement[3] = buttonsTop - ScalePx(kPageButtonGap, dpi) - m_pagePlacement[1];
    for (CWindow* page : {static_cast<CWindow*>(&m_generalPage), static_cast<CWindow*>(&m_contactlessPage),
                          static_cast<CWindow*>(&m_contactPage)}) {
        page->SetPos(HWND_TOP, m_pagePlacement[0], m_pagePlacement[1], m_pagePlacement[2],
                     m_pagePlacement[3], SWP_HIDEWINDOW);
    }
}

int CMainDlg::ButtonRowTop() const
{
    int top = INT_MAX;
    for (int id : {IDC_REFRESH, IDC_LOGFILE, IDC_LANGUAGE, IDCANCEL}) {
        HWND button = GetItem(id);
        RECT r{};
        if (button == nullptr || !GetWindowRect(button, &r))
            continue;
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        top = std::min(top, static_cast<int>(r.top));
    }
    return top;
}

void CMainDlg::CentreIcons()
{
    const int left = m_readerList.ClientRect().right / 2 - ScalePx(kIconCentring, WindowDpi(m_hWnd));
    for (int i = 0; i < m_readerList.GetItemCount(); ++i) {
        POINT position{};
        m_readerList.GetItemPosition(i, position);
        position.x = left;
        m_readerList.SetItemPosition32(i, position);
    }
}

void CMainDlg::Refresh()
{
    m_generalPage.DestroyWindowIfAny();
    m_contactPage.DestroyWindowIfAny();
    m_contactlessPage.DestroyWindowIfAny();
    ReleaseReaderData();
    StopMonitor();
    m_readerList.SetImageList(nullptr, LVSIL_NORMAL);
    m_imageList.Destroy();
    ReleaseContext();
    UpdateData();
    StartUp();
}

void CMainDlg::Close()
{
    ReleaseReaderData();
    m_readerList.SetImageList(nullptr, LVSIL_NORMAL);
    m_imageList.Destroy();
    StopMonitor();
    m_pcsc.Cancel(m_hContext);
    ReleaseContext();
    End(IDCANCEL);
}

void CMainDlg::ReleaseReaderData()
{
    std::free(m_readers);
    m_readers = nullptr;
    m_readersLength = 0;
    m_readerNameByItem.clear();
}

// Only after the monitor has stopped: it polls on this context.
void CMainDlg::ReleaseContext()
{
    if (m_contextResult == 0 && m_hContext != 0)
        SCardReleaseContext(m_hContext);
    m_hContext = 0;
}

void CMainDlg::StartMonitor(const std::string& readerName, bool oneShot)
{
    m_monitor.StartMonitor(m_hWnd, m_hContext, readerName, oneShot);
}

void CMainDlg::StopMonitor()
{
    m_monitor.StopMonitor();
}

bool CMainDlg::OnCommand(WORD notifyCode, WORD id, HWND control)
{
    switch (id) {
    case IDC_REFRESH:
        if (notifyCode == BN_CLICKED)
            Refresh();
        return true;
    case IDC_LOGFILE:
        if (notifyCode == BN_CLICKED)
            OnLogFile();
        return true;
    case IDC_LANGUAGE:
        if (notifyCode == BN_CLICKED)
            OnLanguage();
        return true;
    case IDCANCEL:
        Close();
        return true;
    case IDOK:  // there is no OK button; Enter presses Refresh, the default button
        return true;
    default:
        return CModalDialog::OnCommand(notifyCode, id, control);
    }
}

bool CMainDlg::OnNotify(UINT_PTR id, NMHDR* header, LRESULT& result)
{
    if (id == IDC_READER_LIST && header->code == LVN_ITEMCHANGED) {
        OnSelectionChanged();
        result = 0;
        return true;
    }
    return false;
}

bool CMainDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) != kAboutCommand)
            return false;
        OnAbout();
        return true;
    case WM_PAINT:
        return PaintMinimized();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_SETCURSOR:
        if (!m_busy)
            return false;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        result = TRUE;
        return true;
    case WM_READER_EVENT:
        OnReaderEvent(wParam, lParam);
        return true;
    default:
        return false;
    }
}

bool CMainDlg::PaintMinimized()
{
    if (!IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc));
    // A DPI-aware program gets the icon metrics of its display scale, the size DrawIcon draws at.
    RECT client = ClientRect();
    int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, m_hIcon);
    EndPaint(m_hWnd, &paint);
    return true;
}
