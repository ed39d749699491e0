// The language dialog's decisions: which entry the stored value selects, and what OK does, with
// the registry that the store writes to.
#include "app/CLanguageDlgChoice.h"
#include "app/SettingsStore.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

constexpr int kGerman = 0;
constexpr int kEnglish = 1;
constexpr DWORD kAbsent = 0xFFFFFFFF;

TEST(LanguageDlgChoice, StoredValueSelectsEntry)
{
    const struct {
        const char* name;
        std::uint32_t stored;
        int selection;
    } cases[] = {
        {"German", LangGerman, kGerman},
        {"English", LangEnglish, kEnglish},
        {"not set counts as English", LangNotSet, kEnglish},
        {"unknown 7", 7, kNoLanguageSelected},
        {"unknown 3", 3, kNoLanguageSelected},
        {"all bits", 0xFFFFFFFFu, kNoLanguageSelected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SelectionForStoredLanguage(c.stored), c.selection);
    }
}

class LanguageConfirmTest : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek"); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek"); }

    static void Store(DWORD value)
    {
        ASSERT_EQ(WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &value, REG_DWORD), 1);
    }
    static DWORD Stored() { return ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, kAbsent); }
};

// The whole round: the stored value decides the initial entry, the user's entry and OK decide
// what is written and whether the restart notice follows.
TEST_F(LanguageConfirmTest, OkStoresOnlyAChangedChoice)
{
    const struct {
        const char* name;
        DWORD stored;  // kAbsent: no value at all
        int selection;
        LanguageOkAction action;
        DWORD storedAfter;
    } cases[] = {
        {"German to English", LangGerman, kEnglish, LanguageOkAction::Restart, LangEnglish},
        {"English to German", LangEnglish, kGerman, LanguageOkAction::Restart, LangGerman},
        {"English again", LangEnglish, kEnglish, LanguageOkAction::Nothing, LangEnglish},
        {"German again", LangGerman, kGerman, LanguageOkAction::Nothing, LangGerman},
        {"not set, English kept", kAbsent, kEnglish, LanguageOkAction::Nothing, kAbsent},
        {"not set, German chosen", kAbsent, kGerman, LanguageOkAction::Restart, LangGerman},
        {"stored 0, German chosen", LangNotSet, kGerman, LanguageOkAction::Restart, LangGerman},
        {"unknown value, nothing selected", 7, kNoLanguageSelected, LanguageOkAction::NoSelection, 7},
        {"unknown value, English chosen", 7, kEnglish, LanguageOkAction::Restart, LangEnglish},
        {"unknown value, German chosen", 7, kGerman, LanguageOkAction::Restart, LangGerman},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\Talvek");
        if (c.stored != kAbsent)
            Store(c.stored);
        const int initial = InitialLanguageSelection();
        EXPECT_EQ(ConfirmLanguageChoice(initial, c.selection), c.action);
        EXPECT_EQ(Stored(), c.storedAfter);
    }
}

TEST_F(LanguageConfirmTest, NoSelectionWritesNothingWhateverTheInitialEntry)
{
    for (int initial : {kGerman, kEnglish, kNoLanguageSelected}) {
        SCOPED_TRACE(initial);
        EXPECT_EQ(ConfirmLanguageChoice(initial, kNoLanguageSelected), LanguageOkAction::NoSelection);
        EXPECT_EQ(Stored(), kAbsent);
    }
}

TEST(LanguageDlgChoice, DecisionNamesTheValueToStore)
{
    EXPECT_EQ(DecideLanguageOk(kGerman, kEnglish).value, static_cast<std::uint32_t>(LangEnglish));
    EXPECT_EQ(DecideLanguageOk(kEnglish, kGerman).value, static_cast<std::uint32_t>(LangGerman));
    // Positions outside the list are no selection, not a language.
    EXPECT_EQ(DecideLanguageOk(kGerman, 2).action, LanguageOkAction::NoSelection);
}

}  // namespace
