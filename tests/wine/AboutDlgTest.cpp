// The About box as the program runs it, from this test program's German resources and version
// 2.1.0.8, and from the English module.
#include "app/CAboutDlg.h"
#include "app/EnglishModule.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "PictureResources.h"
#include "resource.h"

namespace {

// Records what the box shows once it is initialised, then closes it as the close box would.
class CAboutProbe : public CAboutDlg {
public:
    std::string caption;
    std::string versionLine;
    int dpi = 96;       // the scale the box is drawn for
    POINT iconPlace{};  // the icon picture's place and size in the box, and its icon's width
    SIZE iconSize{};
    int iconWidth = 0;

protected:
    int PictureDpi() const override { return dpi; }
    bool OnInitDialog() override
    {
        const bool result = CAboutDlg::OnInitDialog();
        caption = GetText();
        versionLine = GetItemText(IDC_VERSION_LINE);
        HWND picture = GetWindow(m_hWnd, GW_CHILD);
        RECT rect{};
        GetWindowRect(picture, &rect);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rect), 2);
        iconPlace = {rect.left, rect.top};
        iconSize = {rect.right - rect.left, rect.bottom - rect.top};
        iconWidth = IconWidth(reinterpret_cast<HICON>(SendMessageA(picture, STM_GETICON, 0, 0)));
        Post(WM_CLOSE);
        return result;
    }
};

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

// The application icon drawn for the box's scale, as large as its picture control, at the
// template's place (11, 12).
TEST(CAboutDlg, IconFollowsTheBoxsScale)
{
    const struct {
        const char* name;
        int dpi;
        int px;
    } cases[] = {{"100 %", 96, 32}, {"125 %", 120, 40}, {"150 %", 144, 48}, {"200 %", 192, 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CAboutProbe box;
        box.dpi = c.dpi;
        EXPECT_EQ(box.DoModal(nullptr), IDCANCEL);
        EXPECT_EQ(box.iconWidth, c.px);
        EXPECT_EQ(box.iconSize.cx, c.px);
        EXPECT_EQ(box.iconSize.cy, c.px);
        HWND any = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), nullptr,
                                      PassiveDialog, 0);
        RECT place{11, 12, 11, 12};
        MapDialogRect(any, &place);
        DestroyWindow(any);
        EXPECT_EQ(box.iconPlace.x, place.left);
        EXPECT_EQ(box.iconPlace.y, place.top);
    }
}

TEST(CAboutDlg, GermanCaptionAndVersionLine)
{
    CAboutProbe box;
    EXPECT_EQ(box.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(box.caption, "Info \xFC" "ber PC/SC Kardoskop v2.1");
    EXPECT_EQ(box.versionLine, "PC/SC Kardoskop v2.1.0.8");
}

TEST(CAboutDlg, EnglishModuleGivesCaptionWordAndTemplate)
{
    std::string path = KARDOSKOP_ENGLISH_MODULE;
    std::replace(path.begin(), path.end(), '/', '\\');
    HMODULE english = OpenResourceModule(path);
    ASSERT_NE(english, nullptr);
    SetResourceModule(english);

    CAboutProbe box;
    const INT_PTR result = box.DoModal(nullptr);
    SetResourceModule(nullptr);
    FreeLibrary(english);

    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(box.caption, "About PC/SC Kardoskop v2.1");
    EXPECT_EQ(box.versionLine, "PC/SC Kardoskop v2.1.0.8");
}

}  // namespace
