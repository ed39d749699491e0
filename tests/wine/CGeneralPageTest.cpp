#include "ui/CGeneralPage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PageHost.h"
#include "PictureResources.h"
#include "win/Pictures.h"
#include "resource.h"

namespace {

const std::string kNotAvailable = "nicht verf\xfcgbar";

// The page with made-up system answers: a file not in `files` cannot be read.
class CFakeSystemPage : public CGeneralPage {
public:
    bool vista = false;
    std::map<std::string, std::pair<std::string, std::string>> files;
    mutable std::vector<std::string> queried;

protected:
    bool IsVistaSystem() const override { return vista; }
    bool QuerySystemFileVersion(const char* relativePath, std::string& version, std::string& maker) const override
    {
        queried.emplace_back(relativePath);
        auto it = files.find(relativePath);
        if (it == files.end())
            return false;
        version = it->second.first;
        maker = it->second.second;
        return true;
    }
};

std::string MultiString(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += name + '\0';
    return text + '\0';
}

void Feed(CGeneralPage& page, bool rmOk, const std::string* multi)
{
    page.SetResourceManagerOk(rmOk);
    if (multi != nullptr)
        page.SetReaderMultiString(static_cast<std::uint32_t>(multi->size()), multi->data());
    page.SetHasReaders(multi != nullptr);
}

// The colour of one pixel of a bitmap, as 0xRRGGBB.
unsigned Pixel(HBITMAP bitmap, int x, int y)
{
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = -info.bmHeight;  // top-down
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<unsigned> pixels(static_cast<size_t>(info.bmWidth * info.bmHeight));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, static_cast<UINT>(info.bmHeight), pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return pixels[static_cast<size_t>(y * info.bmWidth + x)] & 0xFFFFFFu;
}

HBITMAP StatusBitmap(HWND page)
{
    return reinterpret_cast<HBITMAP>(SendDlgItemMessageA(page, IDC_RM_STATUS, STM_GETIMAGE, IMAGE_BITMAP, 0));
}

TEST(CGeneralPage, StatusPictureFollowsTheContextResult)
{
    struct Case {
        const char* name;
        bool rmOk;
        unsigned barColour;
    };
    const Case cases[] = {
        {"context established: green OK", true, 0x00FF00},
        {"no context: red Fehler", false, 0xFF0000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPageHost host;
        CGeneralPage page;
        Feed(page, c.rmOk, nullptr);
        ASSERT_TRUE(page.Create(host.Handle()));
        HBITMAP bitmap = StatusBitmap(page);
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        ASSERT_NE(GetObjectA(bitmap, sizeof info, &info), 0);
        EXPECT_EQ(info.bmWidth, 107);
        EXPECT_EQ(info.bmHeight, 19);
        EXPECT_EQ(Pixel(bitmap, 3, 9), c.barColour);
        EXPECT_EQ(Pixel(bitmap, 103, 9), c.barColour);
    }
}

TEST(CGeneralPage, ReadersFieldShowsSupportedReadersOnePerLine)
{
    const std::string longName = "Talvek Contact Reader With A Very Long Model Name 0";
    struct Case {
        const char* name;
        bool rmOk;
        bool hasReaders;
        std::vector<std::string> readers;
        std::string expected;
    };
    const Case cases[] = {
        {"only the second of two is the maker's", true, true, {"Other Reader 0", "Talvek CCR 4000 0"},
         "Talvek CCR 4000 0"},
        {"one reader of the maker's", true, true, {"Talvek CLR 2000-RF 0"}, "Talvek CLR 2000-RF 0"},
        {"two of the maker's", true, true, {"Talvek CCR 4000 0", "Morvex 7150 1"},
         "Talvek CCR 4000 0\r\nMorvex 7150 1"},
        {"readers, none of the maker's", true, true, {"Other Reader 0"}, ""},
        {"context but reader list empty", true, false, {}, "Keine Leser verf\xfcgbar"},
        {"no resource manager", false, false, {}, "Keine Leser verf\xfcgbar"},
        {"longer than the input limit, shown whole", true, true, {longName, "Talvek B 1"},
         longName + "\r\nTalvek B 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPageHost host;
        CGeneralPage page;
        const std::string multi = MultiString(c.readers);
        Feed(page, c.rmOk, c.hasReaders ? &multi : nullptr);
        ASSERT_TRUE(page.Create(host.Handle()));
        HWND edit = GetDlgItem(page, IDC_READER_NAMES);
        EXPECT_EQ(WindowText(edit), c.expected);
        EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 40);
    }
}

TEST(CGeneralPage, FileListShowsReverseQueryOrder)
{
    CPageHost host;
    CFakeSystemPage page;
    page.files["\\drivers\\smclib.sys"] = {"5.1.2600.0", "Microsoft Corporation"};
    page.files["\\winscard.dll"] = {"5.1.2600.2180", "Microsoft Corporation"};
    Feed(page, true, nullptr);
    ASSERT_TRUE(page.Create(host.Handle()));

    EXPECT_EQ(page.queried, (std::vector<std::string>{"\\scardsvr.exe", "\\drivers\\smclib.sys", "\\winscard.dll"}));
    HWND list = page.m_fileList;
    ASSERT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), 3);
    const char* const rows[3][3] = {
        {"winscard.dll", "5.1.2600.2180", "Microsoft Corporation"},
        {"smclib.sys", "5.1.2600.0", "Microsoft Corporation"},
        {"scardsvr.exe", kNotAvailable.c_str(), kNotAvailable.c_str()},
    };
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            SCOPED_TRACE("row " + std::to_string(row) + " column " + std::to_string(column));
            EXPECT_EQ(ItemText(list, row, column), rows[row][column]);
        }
    }
    const std::vector<std::string> fileInfo = {
        "scardsvr.exe", kNotAvailable, "",
        "smclib.sys", "5.1.2600.0", "Microsoft Corporation",
        "winscard.dll", "5.1.2600.2180", "Microsoft Corporation",
    };
    EXPECT_EQ(page.m_fileInfo, fileInfo);
}

TEST(CGeneralPage, VistaQueriesTheServiceDll)
{
    CPageHost host;
    CFakeSystemPage page;
    page.vista = true;
    page.files["\\scardsvr.dll"] = {"6.0.6000.16386", "Microsoft Corporation"};
    ASSERT_TRUE(page.Create(host.Handle()));
    ASSERT_FALSE(page.queried.empty());
    EXPECT_EQ(page.queried.front(), "\\scardsvr.dll");
    EXPECT_EQ(ItemText(page.m_fileList, 2, 0), "scardsvr.dll");
    EXPECT_EQ(ItemText(page.m_fileList, 2, 1), "6.0.6000.16386");
    ASSERT_EQ(page.m_fileInfo.size(), 9u);
    EXPECT_EQ(page.m_fileInfo[0], "scardsvr.dll");
}

TEST(CGeneralPage, VersionAndMakerAreCutTo49Characters)
{
    const std::string exact(49, '4');
    const std::string longVersion = std::string(49, '5') + "tail";
    const std::string longMaker = std::string(49, 'M') + "aker Corporation";
    CPageHost host;
    CFakeSystemPage page;
    page.files["\\scardsvr.exe"] = {exact, "Maker"};
    page.files["\\winscard.dll"] = {longVersion, longMaker};
    ASSERT_TRUE(page.Create(host.Handle()));

    EXPECT_EQ(ItemText(page.m_fileList, 2, 1), exact);
    EXPECT_EQ(ItemText(page.m_fileList, 0, 1), longVersion.substr(0, 49));
    EXPECT_EQ(ItemText(page.m_fileList, 0, 2), longMaker.substr(0, 49));
    ASSERT_EQ(page.m_fileInfo.size(), 9u);
    EXPECT_EQ(page.m_fileInfo[1], exact);
    EXPECT_EQ(page.m_fileInfo[7], longVersion.substr(0, 49));
    EXPECT_EQ(page.m_fileInfo[8], longMaker.substr(0, 49));
}

TEST(CGeneralPage, FileListColumnsAndStyle)
{
    CPageHost host;
    CFakeSystemPage page;
    ASSERT_TRUE(page.Create(host.Handle()));
    HWND list = page.m_fileList;
    ASSERT_EQ(list, GetDlgItem(page, IDC_FILE_LIST));
    EXPECT_EQ(ColumnCount(list), 3);
    const std::pair<const char*, int> columns[] = {{"Datei", 80}, {"Version", 100}, {"Hersteller", 131}};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(columns[i].first);
        EXPECT_EQ(ColumnText(list, i), columns[i].first);
        EXPECT_EQ(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0), columns[i].second);
    }
    EXPECT_EQ(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    ExpectStyleLacks(header, HDS_BUTTONS);
}

TEST(CGeneralPage, SystemFilesOfThePrefix)
{
    // A fresh Wine prefix has winscard.dll but neither the service program nor the driver library.
    CPageHost host;
    CGeneralPage page;
    ASSERT_TRUE(page.Create(host.Handle()));
    const std::vector<std::string> fileInfo = {
        "scardsvr.exe", kNotAvailable, "",
        "smclib.sys", kNotAvailable, "",
        "winscard.dll", "5.1.2600.2180", "Microsoft Corporation",
    };
    EXPECT_EQ(page.m_fileInfo, fileInfo);
    EXPECT_EQ(ItemText(page.m_fileList, 2, 0), "scardsvr.exe");
    EXPECT_EQ(ItemText(page.m_fileList, 2, 2), kNotAvailable);
}

TEST(CGeneralPage, NewWindowReflectsTheLatestData)
{
    CPageHost host;
    CFakeSystemPage page;
    const std::string first = MultiString({"Talvek A 0"});
    Feed(page, false, &first);
    ASSERT_TRUE(page.Create(host.Handle()));
    HBITMAP firstBitmap = StatusBitmap(page);

    const std::string second = MultiString({"Talvek B 0"});
    Feed(page, true, &second);
    page.DestroyWindowIfAny();
    // The window took its picture along: nothing is left behind at each refresh.
    BITMAP info{};
    EXPECT_EQ(GetObjectA(firstBitmap, sizeof info, &info), 0);
    ASSERT_TRUE(page.Create(host.Handle()));

    EXPECT_EQ(page.m_fileInfo.size(), 9u);
    EXPECT_EQ(SendMessageA(page.m_fileList, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(ColumnCount(page.m_fileList), 3);
    EXPECT_EQ(WindowText(GetDlgItem(page, IDC_READER_NAMES)), "Talvek B 0");
    EXPECT_EQ(Pixel(StatusBitmap(page), 3, 9), 0x00FF00u);
}

BOOL CALLBACK CollectIcon(HWND child, LPARAM lParam)
{
    if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(child);
    return TRUE;
}

// A picture of the page stands at the template's place `place` (dialog units) and is `size`
// pixels square.
void ExpectPictureAt(HWND page, HWND picture, POINT place, int size)
{
    RECT expected{place.x, place.y, place.x, place.y};
    MapDialogRect(page, &expected);
    RECT actual{};
    GetWindowRect(picture, &actual);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&actual), 2);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    EXPECT_EQ(actual.right - actual.left, size);
    EXPECT_EQ(actual.bottom - actual.top, size);
}

TEST(CGeneralPage, ControlsAndLogoStandWhereTheTemplateSays)
{
    CPageHost host;
    CFakeSystemPage page;
    ASSERT_TRUE(page.Create(host.Handle()));
    EXPECT_FALSE(IsWindowVisible(page));
    // The picture keeps the bitmap's own size (107 x 19 pixels) at the template's position.
    HWND picture = GetDlgItem(page, IDC_RM_STATUS);
    EXPECT_EQ(GetWindowLongA(picture, GWL_STYLE) & SS_TYPEMASK, SS_BITMAP);
    RECT place{149, 18, 0, 0};
    MapDialogRect(page, &place);
    RECT shown{};
    GetWindowRect(picture, &shown);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&shown), 2);
    EXPECT_EQ(shown.left, place.left);
    EXPECT_EQ(shown.top, place.top);
    EXPECT_EQ(shown.right - shown.left, 107);
    EXPECT_EQ(shown.bottom - shown.top, 19);

    ExpectControls(page, {
        {IDC_FILE_LIST, "SysListView32", 10, 131, 210, 43,
         LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER},
        {IDC_READER_NAMES, "Edit", 10, 57, 210, 44, ES_MULTILINE | ES_READONLY | WS_VSCROLL},
    });

    // Word mark along the bottom, emblem at its right end, in template order 136, 133, 134, 135,
    // 130, 131, 132.
    std::vector<HWND> icons;
    EnumChildWindows(page, CollectIcon, reinterpret_cast<LPARAM>(&icons));
    const POINT places[] = {{118, 207}, {139, 207}, {160, 207}, {181, 207}, {202, 207}, {202, 226}, {223, 207}};
    ASSERT_EQ(icons.size(), std::size(places));
    for (size_t i = 0; i < icons.size(); ++i) {
        SCOPED_TRACE("logo tile " + std::to_string(i));
        ExpectPictureAt(page, icons[i], places[i], 32);
        EXPECT_NE(SendMessageA(icons[i], STM_GETICON, 0, 0), 0);
    }
}

// The page drawn for another scale: the DPI its pictures follow is the test's.
class CScaledPage : public CFakeSystemPage {
public:
    int dpi = 96;

protected:
    int PictureDpi() const override { return dpi; }
};

// At every scale the status picture and the logo tiles are the ones drawn for it, each picture
// control is as large as its picture and stays at the template's place; the window takes its
// pictures along.
TEST(CGeneralPage, PicturesFollowThePagesScale)
{
    struct Case {
        const char* name;
        int dpi;
        int statusId;  // the picture drawn for the scale, of the OK status
        int statusWidth;
        int statusHeight;
        int tile;
    };
    const Case cases[] = {
        {"100 %", 96, IDB_STATUS_OK, 107, 19, 32},
        {"125 %", 120, IDB_STATUS_OK_125, 134, 24, 40},
        {"150 %", 144, IDB_STATUS_OK_150, 161, 29, 48},
        {"200 %", 192, IDB_STATUS_OK_200, 214, 38, 64},
    };
    const int tiles[] = {IDI_LOGO_136, IDI_LOGO_133, IDI_LOGO_134, IDI_LOGO_135,
                         IDI_LOGO_130, IDI_LOGO_131, IDI_LOGO_132};
    const POINT places[] = {{118, 207}, {139, 207}, {160, 207}, {181, 207}, {202, 207}, {202, 226}, {223, 207}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPageHost host;
        CScaledPage page;
        page.dpi = c.dpi;
        Feed(page, true, nullptr);
        ASSERT_TRUE(page.Create(host.Handle()));

        int width = 0;
        int height = 0;
        const std::vector<unsigned> shown = BitmapPixels(StatusBitmap(page), width, height);
        EXPECT_EQ(width, c.statusWidth);
        EXPECT_EQ(height, c.statusHeight);
        HBITMAP drawn = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.statusId));
        EXPECT_EQ(shown, BitmapPixels(drawn, width, height));
        DeleteObject(drawn);
        RECT statusRect{};
        GetClientRect(GetDlgItem(page, IDC_RM_STATUS), &statusRect);
        EXPECT_EQ(statusRect.right, c.statusWidth);
        EXPECT_EQ(statusRect.bottom, c.statusHeight);

        std::vector<HWND> icons;
        EnumChildWindows(page, CollectIcon, reinterpret_cast<LPARAM>(&icons));
        ASSERT_EQ(icons.size(), std::size(tiles));
        std::vector<HICON> shownIcons;
        for (size_t i = 0; i < icons.size(); ++i) {
            SCOPED_TRACE("logo tile " + std::to_string(tiles[i]));
            ExpectPictureAt(page, icons[i], places[i], c.tile);
            HICON shownIcon = reinterpret_cast<HICON>(SendMessageA(icons[i], STM_GETICON, 0, 0));
            shownIcons.push_back(shownIcon);
            EXPECT_EQ(IconWidth(shownIcon), c.tile);
            HICON tile = LoadIconPx(GetModuleHandleA(nullptr), tiles[i], c.tile);
            EXPECT_EQ(IconPixels(shownIcon), IconPixels(tile));
            DestroyIcon(tile);
        }

        HBITMAP shownBitmap = StatusBitmap(page);
        page.DestroyWindowIfAny();
        EXPECT_EQ(GetObjectType(shownBitmap), 0u) << "the status picture outlived the page";
        for (HICON icon : shownIcons) {
            ICONINFO info{};
            EXPECT_FALSE(GetIconInfo(icon, &info)) << "a logo tile outlived the page";
        }
    }
}

}  // namespace
