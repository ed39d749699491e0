// Shows the main window's template three times, with the General, contact and contactless page
// placed where the main dialog places them and filled with sample texts, so that the layout can be
// looked at on a screenshot. Not a test: it closes after the milliseconds given as its argument.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <string>

#include "resource.h"
#include "ui/CContactPage.h"
#include "ui/CContactlessPage.h"
#include "ui/CGeneralPage.h"

namespace {

INT_PTR CALLBACK PassiveDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

HWND MainWindow(int x, int y, HIMAGELIST images, int selected)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, PassiveDialog, 0);
    SetWindowTextA(dialog, "PC/SC Kardoskop v2.1");
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CListView list(GetDlgItem(dialog, IDC_READER_LIST));
    list.SetImageList(images, LVSIL_NORMAL);
    list.InsertItem(0, "Allgemein", 0);
    list.InsertItem(1, "CCR 4000 0", 1);
    list.InsertItem(2, "CLR 2000-RF 0", 2);
    list.SelectItem(selected);
    return dialog;
}

// Where the main dialog puts every page: right of the list, window size less the frame margins.
void Place(HWND dialog, CModelessDialog& page)
{
    const RECT outer = CWindow(dialog).WindowRect();
    page.SetPos(HWND_TOP, 168, 0, outer.right - outer.left - 7, outer.bottom - outer.top - 65, SWP_SHOWWINDOW);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    for (int id : {IDC_FILE_LIST, IDC_DETAILS}) {
        CListView list(page.GetItem(id));
        if (list.Handle() != nullptr) {
            list.SetBkColor(face);
            list.SetTextBkColor(face);
        }
    }
}

void FillDetails(const CListView& list)
{
    const char* rows[][2] = {{"Taktfrequenz (MHz)", "4"}, {"Konvention", "direkt"}, {"Protokoll", "T=1"},
                             {"(TA1) Teiler F", "372"}, {"(TA1) \xdc" "bertragungsfaktor D", "1"}};
    int index = 0;
    for (const auto& row : rows) {
        list.InsertItem(index, row[0]);
        list.SetItemText(index, 1, row[1]);
        ++index;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    const int holdMs = std::atoi(commandLine);

    HIMAGELIST images = ImageList_Create(32, 32, ILC_COLOR32 | ILC_MASK, 0, 1);
    for (int id : {IDI_GENERAL, IDI_CONTACT_READER, IDI_CONTACTLESS_READER})
        ImageList_AddIcon(images, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id)));

    HWND first = MainWindow(0, 0, images, 0);
    CGeneralPage general;
    static const char kReaders[] = "Talvek CCR 4000 0\0Other Reader 1\0Talvek CLR 2000-RF 0\0";
    const std::string readers(kReaders, sizeof kReaders);  // the array's own NUL is the final one
    general.SetResourceManagerOk(true);
    general.SetReaderMultiString(static_cast<std::uint32_t>(readers.size()), readers.data());
    general.SetHasReaders(true);
    general.Create(first);
    Place(first, general);

    HWND second = MainWindow(560, 0, images, 1);
    CContactPage contact;
    contact.Create(second);
    contact.SetItemText(IDC_READER_GROUP, "Talvek CCR 4000 0");
    contact.SetItemText(IDC_CARD_STATUS, "Karte gesteckt");
    contact.SetItemText(IDC_FIRMWARE, "1.02.03.04");
    contact.SetItemText(IDC_EMV, "nicht verf\xfcgbar");
    contact.m_atrEdit.SetUpperCase();
    contact.SetItemText(IDC_ATR, "3b 96 11 81 31 fe 45 01 02 03 04 05 06");
    FillDetails(contact.m_detailsList);
    Place(second, contact);

    HWND third = MainWindow(0, 480, images, 2);
    CContactlessPage contactless;
    contactless.Create(third);
    contactless.SetItemText(IDC_READER_GROUP, "Talvek CLR 2000-RF 0");
    contactless.SetItemText(IDC_CARD_STATUS, "Karte im Feld");
    contactless.SetItemText(IDC_FIRMWARE, "2.00.01.");
    contactless.SetItemText(IDC_EMV, "1.00.");
    contactless.m_atrEdit.SetUpperCase();
    contactless.SetItemText(IDC_ATR, "3b 8f 80 01 80 4f 0c a0 00 00 03 06 03 00 01 00 00 00 00 6a");
    FillDetails(contactless.m_detailsList);
    contactless.m_uidEdit.SetUpperCase();
    contactless.SetItemText(IDC_UID, "04 a1 b2 c3");
    Place(third, contactless);

    // The General page once more at its template's full size, on a plain window of its own: the
    // main window's page area is smaller than this template.
    WNDCLASSA plainClass{};
    plainClass.lpfnWndProc = DefWindowProcA;
    plainClass.hInstance = GetModuleHandleA(nullptr);
    plainClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    plainClass.lpszClassName = "KardoskopGalleryPlain";
    RegisterClassA(&plainClass);
    HWND plain = CreateWindowExA(0, plainClass.lpszClassName, "Allgemein (ganze Vorlage)",
                                 WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 560, 480, 480, 460, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    CGeneralPage wholeGeneral;
    wholeGeneral.SetResourceManagerOk(false);
    wholeGeneral.SetHasReaders(false);
    wholeGeneral.Create(plain);
    wholeGeneral.Show(SW_SHOW);

    SetTimer(nullptr, 0, static_cast<UINT>(holdMs > 0 ? holdMs : 3000), nullptr);
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER)
            break;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    wholeGeneral.DestroyWindowIfAny();
    DestroyWindow(plain);
    general.DestroyWindowIfAny();
    contact.DestroyWindowIfAny();
    contactless.DestroyWindowIfAny();
    DestroyWindow(first);
    DestroyWindow(second);
    DestroyWindow(third);
    ImageList_Destroy(images);
    return 0;
}
