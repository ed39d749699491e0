// The About box as the program runs it, from this test program's German resources and version
// 2.1.0.8, and from the English module.
#include "app/CAboutDlg.h"
#include "app/EnglishModule.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "resource.h"

namespace {

// Records what the box shows once it is initialised, then closes it as the close box would.
class CAboutProbe : public CAboutDlg {
public:
    std::string caption;
    std::string versionLine;

protected:
    bool OnInitDialog() override
    {
        const bool result = CAboutDlg::OnInitDialog();
        caption = GetText();
        versionLine = GetItemText(IDC_VERSION_LINE);
        Post(WM_CLOSE);
        return result;
    }
};

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
