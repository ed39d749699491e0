#pragma once
// What the language dialog shows at opening and does on OK, apart from the dialog itself: list
// position 0 is German, 1 English; the stored value is a LanguageSetting.

#include <cstdint>

constexpr int kNoLanguageSelected = -1;

// The list position for the stored value: German 0, English 1; "not set" counts as English (the
// first start stores a value, so 0 means that write failed); any other value selects nothing.
int SelectionForStoredLanguage(std::uint32_t stored);

enum class LanguageOkAction {
    Nothing,      // the choice is the one the dialog opened with
    Restart,      // store `value`, then ask for a restart
    NoSelection,  // nothing selected: say so, store nothing
};

struct LanguageOkDecision {
    LanguageOkAction action = LanguageOkAction::Nothing;
    std::uint32_t value = 0;  // the LanguageSetting to store for Restart
};

// OK with list position `selection` (kNoLanguageSelected for none) in a dialog that opened with
// `initialSelection`. A choice made in a dialog that opened without a selection is stored too.
LanguageOkDecision DecideLanguageOk(int initialSelection, int selection);

#ifdef _WIN32
// The stored language's list position (reads the registry).
int InitialLanguageSelection();

// Decides, and stores the new value when there is one. A failed write is not reported: the
// restart notice follows all the same.
LanguageOkAction ConfirmLanguageChoice(int initialSelection, int selection);
#endif
