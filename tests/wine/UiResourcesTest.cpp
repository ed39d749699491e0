// The built-in resources of the main window and its pages, as linked into this test program.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PageHost.h"
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

TEST(UiResources, IconsAre32By32)
{
    for (int id : {IDI_APP, IDI_LOGO_130, IDI_LOGO_131, IDI_LOGO_132, IDI_LOGO_133, IDI_LOGO_134, IDI_LOGO_135,
                   IDI_LOGO_136, IDI_CONTACT_READER, IDI_GENERAL, IDI_CONTACTLESS_READER}) {
        SCOPED_TRACE(id);
        HICON icon = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON,
                                                   32, 32, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP mask{};
        GetObjectA(info.hbmMask, sizeof mask, &mask);
        EXPECT_EQ(mask.bmWidth, 32);
        DeleteObject(info.hbmMask);
        DeleteObject(info.hbmColor);
        DestroyIcon(icon);
    }
    // The application icon also comes in the small size, for the caption and the task bar.
    HICON small = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                                16, 16, 0));
    EXPECT_NE(small, nullptr);
    DestroyIcon(small);
}

TEST(UiResources, StatusBitmapsHave16Colours)
{
    for (int id : {IDB_STATUS_ERROR, IDB_STATUS_OK}) {
        SCOPED_TRACE(id);
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id),
                                                         IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(bitmap, nullptr);
        BITMAP info{};
        GetObjectA(bitmap, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, 107);
        EXPECT_EQ(info.bmHeight, 19);
        EXPECT_EQ(info.bmBitsPixel, 4);
        DeleteObject(bitmap);
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
