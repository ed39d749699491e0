// The English resource module as the program opens it: mapped for its resources only. Everything
// the program loads by id must come out of it, under the ids of the German resources built into
// this test program.
#include "app/EnglishModule.h"
#include "ui/CContactPage.h"
#include "ui/CContactlessPage.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "PageHost.h"
#include "PictureResources.h"
#include "resource.h"

namespace {

std::string ModulePath()
{
    std::string path = KARDOSKOP_ENGLISH_MODULE;  // the build tree's copy, as Z:/...
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string Text(HMODULE module, unsigned id)
{
    char buffer[1024] = {};
    const int length = LoadStringA(module, id, buffer, sizeof buffer);
    return std::string(buffer, static_cast<std::size_t>(std::max(length, 0)));
}

BOOL CALLBACK CollectId(HWND control, LPARAM lParam)
{
    reinterpret_cast<std::vector<int>*>(lParam)->push_back(GetDlgCtrlID(control));
    return TRUE;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class EnglishModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        m_module = OpenResourceModule(ModulePath());
        ASSERT_NE(m_module, nullptr) << ModulePath() << " error " << GetLastError();
    }
    void TearDown() override
    {
        if (m_module != nullptr) {
            EXPECT_TRUE(FreeLibrary(m_module));
        }
    }

    // The control ids of template `id` of `module`, created in `parent` (pages) or alone.
    static std::vector<int> ControlIds(HMODULE module, unsigned id, HWND parent)
    {
        HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(id), parent, PlainDialogProc, 0);
        EXPECT_NE(dialog, nullptr) << "template " << id;
        std::vector<int> ids;
        if (dialog == nullptr)
            return ids;
        EnumChildWindows(dialog, CollectId, reinterpret_cast<LPARAM>(&ids));
        DestroyWindow(dialog);
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    HMODULE m_module = nullptr;
};

TEST_F(EnglishModuleTest, EveryGermanTextHasAnEnglishOne)
{
    HMODULE german = GetModuleHandleA(nullptr);
    int count = 0;
    for (unsigned id = 100; id < 200; ++id) {
        SCOPED_TRACE(id);
        const std::string germanText = Text(german, id);
        const std::string englishText = Text(m_module, id);
        EXPECT_EQ(germanText.empty(), englishText.empty());
        count += germanText.empty() ? 0 : 1;
    }
    EXPECT_GE(count, 58);  // every id the program's own dialogs use, at least
}

TEST_F(EnglishModuleTest, TextsOfTheLanguageDialogAndTheAboutBox)
{
    const struct {
        const char* name;
        unsigned id;
        const char* text;
    } cases[] = {
        {"German entry", IDS_GERMAN, "German"},
        {"English entry", IDS_ENGLISH, "English"},
        {"restart caption", IDS_LANGUAGE_CAPTION, "Language"},
        {"restart notice",
         IDS_LANGUAGE_CHANGED,
         "The language setting has been changed. Please restart the application\nfor the change to take effect."},
        {"About caption", IDS_ABOUT_CAPTION, "About"},
        {"system menu entry", IDS_ABOUT_MENU, "&About PC/SC Kardoskop..."},
        {"General item", IDS_GENERAL, "General"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Text(m_module, c.id), c.text);
    }
}

TEST_F(EnglishModuleTest, DialogsKeepTheGermanControlIds)
{
    CPageHost host;
    const struct {
        const char* name;
        unsigned id;
        bool page;
    } cases[] = {
        {"About", IDD_ABOUT, false},        {"main", IDD_MAIN, false},
        {"General", IDD_GENERAL_PAGE, true}, {"contact", IDD_CONTACT_PAGE, true},
        {"contactless", IDD_CONTACTLESS_PAGE, true}, {"language", IDD_LANGUAGE, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HWND parent = c.page ? host.Handle() : nullptr;
        const std::vector<int> english = ControlIds(m_module, c.id, parent);
        EXPECT_FALSE(english.empty());
        EXPECT_EQ(english, ControlIds(GetModuleHandleA(nullptr), c.id, parent));
    }
}

TEST_F(EnglishModuleTest, DialogWordsAreEnglish)
{
    HWND dialog = CreateDialogParamA(m_module, MAKEINTRESOURCEA(IDD_LANGUAGE), nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    char text[64] = {};
    GetWindowTextA(dialog, text, sizeof text);
    EXPECT_STREQ(text, "Language");
    GetDlgItemTextA(dialog, IDCANCEL, text, sizeof text);
    EXPECT_STREQ(text, "&Cancel");
    DestroyWindow(dialog);

    dialog = CreateDialogParamA(m_module, MAKEINTRESOURCEA(IDD_MAIN), nullptr, PlainDialogProc, 0);
    ASSERT_NE(dialog, nullptr);
    GetDlgItemTextA(dialog, IDC_REFRESH, text, sizeof text);
    EXPECT_STREQ(text, "&Refresh");
    DestroyWindow(dialog);
}

TEST_F(EnglishModuleTest, BitmapsPerScaleWithTheirSize)
{
    for (const StatusBitmapRow& row : StatusBitmapTable()) {
        SCOPED_TRACE(row.name);
        const BITMAPINFOHEADER header = BitmapHeader(m_module, row.id);
        EXPECT_EQ(header.biWidth, row.width);
        EXPECT_EQ(header.biHeight, row.height);
        EXPECT_EQ(header.biBitCount, 4);
        HBITMAP bitmap = LoadBitmapA(m_module, MAKEINTRESOURCEA(row.id));
        EXPECT_NE(bitmap, nullptr);
        DeleteObject(bitmap);
    }
    // The English error pictures say "Error", not "Fehler": their pixels differ from the German ones.
    for (int id : {IDB_STATUS_ERROR, IDB_STATUS_ERROR_125, IDB_STATUS_ERROR_150, IDB_STATUS_ERROR_200}) {
        SCOPED_TRACE(id);
        HRSRC english = FindResourceA(m_module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
        HRSRC german = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(2));
        ASSERT_NE(english, nullptr);
        ASSERT_NE(german, nullptr);
        const std::string englishBits(static_cast<const char*>(LockResource(LoadResource(m_module, english))),
                                      SizeofResource(m_module, english));
        const std::string germanBits(static_cast<const char*>(LockResource(LoadResource(nullptr, german))),
                                     SizeofResource(nullptr, german));
        EXPECT_TRUE(englishBits != germanBits) << "the English picture is the German one";
    }
}

TEST_F(EnglishModuleTest, IconsHoldAnImagePerScale)
{
    for (const IconImagesRow& row : IconImagesTable()) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(IconImageSizes(m_module, row.id), row.sizes);
        EXPECT_NE(LoadIconA(m_module, MAKEINTRESOURCEA(row.id)), nullptr);
    }
}

// Pictures inside templates come from the template's module: the About box's icon and the General
// page's status bitmap must be found in the English module.
TEST_F(EnglishModuleTest, TemplatePicturesLoadFromTheModule)
{
    HWND about = CreateDialogParamA(m_module, MAKEINTRESOURCEA(IDD_ABOUT), nullptr, PlainDialogProc, 0);
    ASSERT_NE(about, nullptr);
    HWND icon = FindWindowExA(about, nullptr, "Static", nullptr);
    ASSERT_NE(icon, nullptr);
    EXPECT_NE(SendMessageA(icon, STM_GETICON, 0, 0), 0);
    DestroyWindow(about);

    CPageHost host;
    HWND page = CreateDialogParamA(m_module, MAKEINTRESOURCEA(IDD_GENERAL_PAGE), host.Handle(), PlainDialogProc, 0);
    ASSERT_NE(page, nullptr);
    EXPECT_NE(SendDlgItemMessageA(page, IDC_RM_STATUS, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
    DestroyWindow(page);
}

// The decoder's property texts: at most 31 characters, so that the log's alignment piece puts the
// bar into column 32, and whole within the property column of every page that shows them (the
// list view pads a label by about 12 pixels).
TEST_F(EnglishModuleTest, DecoderPropertiesFitTheLogTableAndTheDetailsColumn)
{
    const std::vector<unsigned> contactless = {IDS_ATR_CLOCK,    IDS_ATR_CONVENTION, IDS_ATR_PROTOCOL,
                                               IDS_ATR_HIST_HEX, IDS_ATR_CARD_NAME,  IDS_ATR_STANDARD};
    std::vector<unsigned> contact = {
        IDS_ATR_TA1_F,      IDS_ATR_TA1_D,    IDS_ATR_TA1_RATE,    IDS_ATR_TA1_ETU, IDS_ATR_TB1_VPP,
        IDS_ATR_TC1_GUARD,  IDS_ATR_TA2_PTS,  IDS_ATR_TB2_PI2,     IDS_ATR_TC2_WAIT, IDS_ATR_TA3_IFSC,
        IDS_ATR_TB3_CWT_BWT, IDS_ATR_TB3_CWT, IDS_ATR_TB3_BWT,     IDS_ATR_TC3,     IDS_ATR_TA4_IFSC,
        IDS_ATR_TB4_CWT_BWT, IDS_ATR_TB4_BWT, IDS_ATR_TB4_CWT,     IDS_ATR_TC4,     IDS_ATR_HIST_TEXT};
    contact.insert(contact.end(), contactless.begin(), contactless.end());
    const struct {
        const char* name;
        unsigned templateId;
        int columnWidth;
        const std::vector<unsigned>& ids;
    } pages[] = {
        {"contact page", IDD_CONTACT_PAGE, CContactPage::kPropertyWidth, contact},
        {"contactless page", IDD_CONTACTLESS_PAGE, CContactlessPage::kPropertyWidth, contactless},
    };
    constexpr int kLabelPadding = 12;
    CPageHost host;
    for (const auto& page : pages) {
        SCOPED_TRACE(page.name);
        HWND dialog = CreateDialogParamA(m_module, MAKEINTRESOURCEA(page.templateId), host.Handle(),
                                         PlainDialogProc, 0);
        ASSERT_NE(dialog, nullptr);
        HWND list = GetDlgItem(dialog, IDC_DETAILS);
        ASSERT_NE(list, nullptr);
        for (unsigned id : page.ids) {
            const std::string text = Text(m_module, id);
            SCOPED_TRACE(text);
            EXPECT_FALSE(text.empty());
            EXPECT_LE(text.size(), 31u);
            const auto width = static_cast<int>(
                SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
            EXPECT_GT(width, 0);
            EXPECT_LE(width + kLabelPadding, page.columnWidth);
        }
        DestroyWindow(dialog);
    }
}

TEST(EnglishModule, MissingOrBrokenFileGivesNull)
{
    EXPECT_EQ(OpenResourceModule(ModulePath() + ".missing"), nullptr);

    char directory[MAX_PATH] = {};
    ASSERT_GT(GetTempPathA(sizeof directory, directory), 0u);
    const std::string path = std::string(directory) + "KardoskopNotAModuleENU.dll";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "not a module", 12, &written, nullptr);
    CloseHandle(file);
    EXPECT_EQ(OpenResourceModule(path), nullptr);
    DeleteFileA(path.c_str());
}

}  // namespace
