#include "app/CLanguageDlgChoice.h"

#include "app/SettingsStore.h"

namespace {
constexpr int kGermanPosition = 0;
constexpr int kEnglishPosition = 1;
}  // namespace

int SelectionForStoredLanguage(std::uint32_t stored)
{
    switch (stored) {
    case LangGerman:
        return kGermanPosition;
    case LangEnglish:
    case LangNotSet:
        return kEnglishPosition;
    default:
        return kNoLanguageSelected;
    }
}

LanguageOkDecision DecideLanguageOk(int initialSelection, int selection)
{
    LanguageOkDecision decision;
    if (selection != kGermanPosition && selection != kEnglishPosition) {
        decision.action = LanguageOkAction::NoSelection;
        return decision;
    }
    // Every choice other than the opening one is stored, also in a dialog that opened with nothing
    // selected (an unknown stored value): storing only a switch from the other entry would leave a
    // damaged setting that the dialog cannot repair, while the dialog closes as if it had worked.
    if (selection == initialSelection)
        return decision;
    decision.action = LanguageOkAction::Restart;
    decision.value = selection == kGermanPosition ? LangGerman : LangEnglish;
    return decision;
}

#ifdef _WIN32
int InitialLanguageSelection()
{
    return SelectionForStoredLanguage(ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, LangNotSet));
}

LanguageOkAction ConfirmLanguageChoice(int initialSelection, int selection)
{
    const LanguageOkDecision decision = DecideLanguageOk(initialSelection, selection);
    if (decision.action == LanguageOkAction::Restart) {
        DWORD value = decision.value;
        WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &value, REG_DWORD);
    }
    return decision.action;
}
#endif
