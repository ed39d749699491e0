// e2e_standin: a small dialog program with the kinds of controls the driver operates in the real
// main window, so that the driver and the harness are tested on their own:
// - a report list view with icons (first item "Allgemein", then the readers that SCardListReadersA
//   reports through the simulated winscard.dll, image 1 with a card and 2 without, columns for the
//   card and the firmware answer of the vendor DLL next to the program);
// - two child dialogs holding controls with the same ids, one visible at a time, and one of
//   them a control with the id of a button of the main dialog;
// - a button that asks a question in a message box and shows the answer;
// - "Aktualisieren", which reloads the list and counts in a static text.
// The exit code is the number of reloads, so a test can see that its clicks arrived.
#include "StandInIds.h"

#include <windows.h>
#include <commctrl.h>
#include <winscard.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

HINSTANCE g_instance;

struct State {
    HWND pageA = nullptr;
    HWND pageB = nullptr;
    HIMAGELIST images = nullptr;
    int refreshes = 0;
};

std::string Text(UINT id)
{
    char buffer[512] = {};
    const int length = LoadStringA(g_instance, id, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

using GetFwVersionFn = std::int32_t(WINAPI*)(SCARDCONTEXT, const char*, std::uint32_t*, std::uint32_t*,
                                             std::uint32_t*);

std::string FirmwareText(SCARDCONTEXT context, const std::string& reader)
{
    HMODULE vendor = LoadLibraryA("tvkscrfwcheck.dll");
    if (!vendor)
        return Text(IDS_NO_VENDOR_DLL);
    std::string text = "-";
    const auto query = reinterpret_cast<GetFwVersionFn>(
        reinterpret_cast<void*>(GetProcAddress(vendor, "GetFWVersion")));
    std::uint32_t firmware = 0, reserved = 0, emv = 0;
    if (query && query(context, reader.c_str(), &firmware, &reserved, &emv) == 0) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%08lx", static_cast<unsigned long>(firmware));
        text = buffer;
    }
    FreeLibrary(vendor);
    return text;
}

std::vector<std::string> ReaderNames(SCARDCONTEXT context)
{
    std::vector<std::string> names;
    DWORD length = 0;
    if (SCardListReadersA(context, nullptr, nullptr, &length) != SCARD_S_SUCCESS || length == 0)
        return names;
    std::vector<char> buffer(length, '\0');
    if (SCardListReadersA(context, nullptr, buffer.data(), &length) != SCARD_S_SUCCESS)
        return names;
    for (const char* p = buffer.data(); *p != '\0' && p < buffer.data() + buffer.size(); p += std::strlen(p) + 1)
        names.emplace_back(p);
    return names;
}

bool CardPresent(SCARDCONTEXT context, const std::string& reader)
{
    SCARD_READERSTATEA state{};
    state.szReader = reader.c_str();
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    return SCardGetStatusChangeA(context, 0, &state, 1) == SCARD_S_SUCCESS &&
           (state.dwEventState & SCARD_STATE_PRESENT) != 0;
}

void InsertRow(HWND list, int index, int image, const std::string& name, const std::string& card,
               const std::string& firmware)
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.iImage = image;
    item.pszText = const_cast<char*>(name.c_str());
    ListView_InsertItem(list, &item);
    ListView_SetItemText(list, index, 1, const_cast<char*>(card.c_str()));
    ListView_SetItemText(list, index, 2, const_cast<char*>(firmware.c_str()));
}

void FillList(HWND dialog)
{
    HWND list = GetDlgItem(dialog, IDC_LIST);
    ListView_DeleteAllItems(list);
    InsertRow(list, 0, 0, Text(IDS_GENERAL), "", "");
    SCARDCONTEXT context = 0;
    if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
        return;
    int index = 1;
    for (const std::string& name : ReaderNames(context)) {
        const bool present = CardPresent(context, name);
        InsertRow(list, index++, present ? 1 : 2, name, Text(present ? IDS_PRESENT : IDS_ABSENT),
                  FirmwareText(context, name));
    }
    SCardReleaseContext(context);
}

void AddColumn(HWND list, int index, UINT textId, int width)
{
    const std::string text = Text(textId);
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = width;
    column.pszText = const_cast<char*>(text.c_str());
    ListView_InsertColumn(list, index, &column);
}

void InitList(HWND dialog, State& state)
{
    HWND list = GetDlgItem(dialog, IDC_LIST);
    state.images = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 1);
    ImageList_AddIcon(state.images, LoadIconA(nullptr, IDI_APPLICATION));
    ImageList_AddIcon(state.images, LoadIconA(nullptr, IDI_INFORMATION));
    ImageList_AddIcon(state.images, LoadIconA(nullptr, IDI_WARNING));
    ListView_SetImageList(list, state.images, LVSIL_SMALL);
    AddColumn(list, 0, IDS_COL_READER, 170);
    AddColumn(list, 1, IDS_COL_CARD, 80);
    AddColumn(list, 2, IDS_COL_FIRMWARE, 70);
    FillList(dialog);
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG)
        return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_INPUT && HIWORD(wParam) == EN_CHANGE) {
        char text[256] = {};
        GetDlgItemTextA(page, IDC_INPUT, text, sizeof text);
        SetDlgItemTextA(page, IDC_ECHO, text);
        return TRUE;
    }
    return FALSE;
}

void CreatePages(HWND dialog, State& state)
{
    state.pageA = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_PAGE_A), dialog, PageProc, 0);
    state.pageB = CreateDialogParamA(g_instance, MAKEINTRESOURCEA(IDD_PAGE_B), dialog, PageProc, 0);
    RECT place = {212, 7, 212 + 180, 7 + 160};
    MapDialogRect(dialog, &place);
    for (HWND page : {state.pageA, state.pageB})
        SetWindowPos(page, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top,
                     SWP_HIDEWINDOW);
    SetDlgItemTextA(state.pageA, IDC_LINES, "erste Zeile\r\nzweite Zeile");
    SetDlgItemTextA(state.pageA, IDC_INNER, "innen");
    ShowWindow(state.pageA, SW_SHOW);
}

void OnItemChanged(HWND dialog, State& state, const NMLISTVIEW& change)
{
    if (!(change.uNewState & LVIS_SELECTED) || (change.uOldState & LVIS_SELECTED))
        return;
    char text[256] = {};
    ListView_GetItemText(GetDlgItem(dialog, IDC_LIST), change.iItem, 0, text, sizeof text);
    SetDlgItemTextA(state.pageA, IDC_NAME, text);
}

void Ask(HWND dialog)
{
    char question[512];
    std::snprintf(question, sizeof question, Text(IDS_QUESTION).c_str(),
                  ListView_GetItemCount(GetDlgItem(dialog, IDC_LIST)));
    char caption[256] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    const int answer = MessageBoxA(dialog, question, caption, MB_YESNO | MB_ICONQUESTION);
    SetDlgItemTextA(dialog, IDC_ANSWER, Text(answer == IDYES ? IDS_YES : IDS_NO).c_str());
}

void Refresh(HWND dialog, State& state)
{
    ++state.refreshes;
    char text[256];
    std::snprintf(text, sizeof text, Text(IDS_REFRESHED).c_str(), state.refreshes);
    SetDlgItemTextA(dialog, IDC_COUNT, text);
    FillList(dialog);
}

void SwapPages(State& state)
{
    const bool aShown = IsWindowVisible(state.pageA) != FALSE;
    ShowWindow(aShown ? state.pageA : state.pageB, SW_HIDE);
    ShowWindow(aShown ? state.pageB : state.pageA, SW_SHOW);
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<State*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        state = reinterpret_cast<State*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        InitList(dialog, *state);
        CreatePages(dialog, *state);
        return TRUE;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (state && header->idFrom == IDC_LIST && header->code == LVN_ITEMCHANGED)
            OnItemChanged(dialog, *state, *reinterpret_cast<const NMLISTVIEW*>(lParam));
        return TRUE;
    }
    case WM_COMMAND:
        if (!state || HIWORD(wParam) != BN_CLICKED)
            return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_REFRESH:
            Refresh(dialog, *state);
            return TRUE;
        case IDC_ASK:
            Ask(dialog);
            return TRUE;
        case IDC_SWAP:
            SwapPages(*state);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    g_instance = instance;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    State state;
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_STANDIN), nullptr, DialogProc,
                    reinterpret_cast<LPARAM>(&state));
    if (state.images)
        ImageList_Destroy(state.images);
    return state.refreshes;
}
