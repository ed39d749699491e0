// The language dialog run modally over this test program's German resources: what it lists and
// selects for each stored value, and that Cancel stores nothing.
#include "app/CLanguageDlg.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "resource.h"

namespace {

constexpr DWORD kAbsent = 0xFFFFFFFF;

// Records the list at opening, optionally selects another entry, then presses Cancel.
class CLanguageProbe : public CLanguageDlg {
public:
    explicit CLanguageProbe(int select) : m_select(select) {}

    std::vector<std::string> entries;
    int selectionAtOpening = -2;

protected:
    bool OnInitDialog() override
    {
        const bool result = CLanguageDlg::OnInitDialog();
        const int count = static_cast<int>(m_languageList.Send(LB_GETCOUNT));
        for (int i = 0; i < count; ++i) {
            char text[64] = {};
            m_languageList.Send(LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        selectionAtOpening = static_cast<int>(m_languageList.Send(LB_GETCURSEL));
        if (m_select != -2)
            m_languageList.Send(LB_SETCURSEL, static_cast<WPARAM>(m_select));
        Post(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED));
        return result;
    }

private:
    int m_select;
};

class LanguageDlgTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek"); }
    static DWORD Stored() { return ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, kAbsent); }
};

TEST_F(LanguageDlgTest, OpensWithTheStoredLanguageSelected)
{
    const struct {
        const char* name;
        DWORD stored;
        int selection;
    } cases[] = {
        {"German", LangGerman, 0},
        {"English", LangEnglish, 1},
        {"absent", kAbsent, 1},
        {"stored 0", LangNotSet, 1},
        {"unknown 7", 7, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek");
        DWORD value = c.stored;
        if (c.stored != kAbsent) {
            ASSERT_EQ(WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &value, REG_DWORD), 1);
        }

        CLanguageProbe dialog(-2);
        EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
        // German first, English second, although "Deutsch" and "Englisch" would sort the same way
        // and the list has the sorted style: the positions are what counts.
        EXPECT_EQ(dialog.entries, (std::vector<std::string>{"Deutsch", "Englisch"}));
        EXPECT_EQ(dialog.selectionAtOpening, c.selection);
        EXPECT_EQ(dialog.m_initialSelection, c.selection);
        EXPECT_EQ(Stored(), c.stored);  // opening writes nothing
    }
}

TEST_F(LanguageDlgTest, CancelAfterChangingTheSelectionStoresNothing)
{
    DWORD german = LangGerman;
    ASSERT_EQ(WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &german, REG_DWORD), 1);
    CLanguageProbe dialog(1);
    EXPECT_EQ(dialog.DoModal(nullptr), IDCANCEL);
    EXPECT_EQ(Stored(), static_cast<DWORD>(LangGerman));
}

}  // namespace
