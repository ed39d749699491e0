// The built-in resources of the main window and its pages, as linked into this test program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageHost.h"
#include "PictureResources.h"
#include "ui/CGeneralPage.h"
#include "win/Dpi.h"
#include "win/Pictures.h"
#include "resource.h"

namespace {

std::string OwnPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

TEST(UiResources, VersionResource)
{
    const std::string path = OwnPath();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000008u);

    DWORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(LOWORD(*translation), 0x0407);
    EXPECT_EQ(HIWORD(*translation), 0x04B0);

    char* text = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704b0\\FileVersion",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STREQ(text, "2, 1, 0, 8");
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\StringFileInfo\\040704b0\\CompanyName",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_STRNE(text, "2, 1, 0, 8");  // the log keeps the maker only when it differs
}

TEST(UiResources, ManifestAsksForCommonControls6)
{
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(resource, nullptr);
    const char* data = static_cast<const char*>(LockResource(LoadResource(nullptr, resource)));
    const std::string manifest(data, SizeofResource(nullptr, resource));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    // DPI-aware for the whole system, so that Windows hands the window the real display scale
    // instead of stretching it blurred. Wine draws every program at its scale, so only this sees it.
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">system</dpiAwareness>"), std::string::npos);
}

TEST(UiResources, IconsHoldAnImagePerScale)
{
    for (const IconImagesRow& row : IconImagesTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IconImageSizes(GetModuleHandleA(nullptr), row.id), row.sizes);
    }
    // The window's small icon is the 16 px drawing at every scale, not the 32 px one: at 200 % both
    // are 32 pixels and differ.
    const std::vector<BYTE> smallImage = IconImageBytes(GetModuleHandleA(nullptr), IDI_APP_SMALL, 32);
    ASSERT_FALSE(smallImage.empty());
    EXPECT_NE(smallImage, IconImageBytes(GetModuleHandleA(nullptr), IDI_APP, 32));
}

TEST(UiResources, StatusBitmapsPerScaleHave16Colours)
{
    for (const StatusBitmapRow& row : StatusBitmapTable()) {
        SCOPED_TRACE(row.name);
        const BITMAPINFOHEADER header = BitmapHeader(GetModuleHandleA(nullptr), row.id);
        EXPECT_EQ(header.biWidth, row.width);
        EXPECT_EQ(header.biHeight, row.height);
        EXPECT_EQ(header.biBitCount, 4);
    }
}

// The loaders serve a window at any DPI: the status picture drawn for its scale, or between the
// drawn scales the next larger one brought to the 100 % size scaled; icons at the size asked.
TEST(UiResources, PicturesForTheWindowsScale)
{
    struct Case {
        const char* name;
        int dpi;
        int drawnDpi;
        int templatePictureDpi;  // a template's pictures, where the template is laid out at `dpi`
        int errorId;  // the variant whose picture serves the scale
        int okId;
        int width;
        int height;
        const char* module = nullptr;  // a resource module in the test's folder, else the test's own
    };
    const Case cases[] = {
        {"100 %", 96, 96, 96, IDB_STATUS_ERROR, IDB_STATUS_OK, 107, 19},
        {"125 %", 120, 120, 120, IDB_STATUS_ERROR_125, IDB_STATUS_OK_125, 134, 24},
        {"150 %", 144, 144, 144, IDB_STATUS_ERROR_150, IDB_STATUS_OK_150, 161, 29},
        {"175 %: the 200 % picture, shrunk", 168, 192, 144, IDB_STATUS_ERROR_200, IDB_STATUS_OK_200, 187, 33},
        {"200 %", 192, 192, 192, IDB_STATUS_ERROR_200, IDB_STATUS_OK_200, 214, 38},
        {"250 %: the 200 % picture, enlarged", 240, 192, 240, IDB_STATUS_ERROR_200, IDB_STATUS_OK_200, 268, 48},
        {"150 %, a module without the scaled pictures: its 100 % one, stretched", 144, 144, 144,
         IDB_STATUS_ERROR_150, IDB_STATUS_OK_150, 161, 29, "old_pictures.dll"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HMODULE module = c.module == nullptr ? GetModuleHandleA(nullptr)
                                             : LoadLibraryExA(c.module, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr);
        EXPECT_EQ(DrawnDpiFor(c.dpi), c.drawnDpi);
        EXPECT_EQ(TemplatePictureDpi(c.dpi), c.templatePictureDpi);
        struct Picture {
            const BitmapVariants& bitmap;
            int variant;
            unsigned fill;
        };
        for (const Picture& picture : {Picture{CGeneralPage::kStatusErrorBitmap, c.errorId, 0xFF0000u},
                                       Picture{CGeneralPage::kStatusOkBitmap, c.okId, 0x00FF00u}}) {
            SCOPED_TRACE(picture.bitmap.ids[0]);
            EXPECT_EQ(BitmapVariantId(picture.bitmap, c.drawnDpi), picture.variant);
            HBITMAP bitmap = LoadBitmapForDpi(module, picture.bitmap, c.dpi);
            ASSERT_NE(bitmap, nullptr);
            int width = 0;
            int height = 0;
            const std::vector<unsigned> pixels = BitmapPixels(bitmap, width, height);
            DeleteObject(bitmap);
            EXPECT_EQ(width, c.width);
            EXPECT_EQ(height, c.height);
            EXPECT_EQ(pixels[static_cast<size_t>(height / 2 * width + ScalePx(3, c.dpi))], picture.fill);
            if (c.dpi == c.drawnDpi && c.module == nullptr) {
                HBITMAP drawn = LoadBitmapA(module, MAKEINTRESOURCEA(picture.variant));
                int drawnWidth = 0;
                int drawnHeight = 0;
                EXPECT_EQ(pixels, BitmapPixels(drawn, drawnWidth, drawnHeight)) << "not the drawn picture";
                DeleteObject(drawn);
            }
        }
        if (c.module != nullptr) {
            FreeLibrary(module);
            continue;
        }
        HICON icon = LoadIconPx(module, IDI_GENERAL, ScalePx(32, c.dpi));
        EXPECT_EQ(IconWidth(icon), ScalePx(32, c.dpi));
        DestroyIcon(icon);
    }
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

TEST(UiResources, MainWindowTemplate)
{
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, PassiveDialog, 0);
    ASSERT_NE(dialog, nullptr);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
    EXPECT_EQ(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_NE(GetWindowLongA(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

    RECT whole{0, 0, 349, 255};
    MapDialogRect(dialog, &whole);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, whole.right);
    EXPECT_EQ(client.bottom, whole.bottom);

    ExpectControls(dialog, {
        {IDC_READER_LIST, "SysListView32", 7, 19, 97, 211,
         LVS_ICON | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOCOLUMNHEADER | LVS_NOSORTHEADER | WS_TABSTOP},
        {IDC_REFRESH, "Button", 112, 237, 55, 14, BS_DEFPUSHBUTTON},
        {IDC_LOGFILE, "Button", 170, 237, 55, 14, 0},
        {IDC_LANGUAGE, "Button", 228, 237, 55, 14, 0},
        {IDCANCEL, "Button", 286, 237, 55, 14, 0},
    });
    struct Caption {
        int id;
        const char* text;
    };
    for (const Caption& c : {Caption{IDC_REFRESH, "&Aktualisieren"}, Caption{IDC_LOGFILE, "&Logfile erstellen"},
                             Caption{IDC_LANGUAGE, "S&prache"}, Caption{IDCANCEL, "&Schlie\xdf" "en"}}) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(WindowText(GetDlgItem(dialog, c.id)), c.text);
    }
    // The label is the first control and the only static.
    HWND label = GetWindow(dialog, GW_CHILD);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(WindowText(label), "Leser w\xe4hlen:");
    DestroyWindow(dialog);
}

}  // namespace
