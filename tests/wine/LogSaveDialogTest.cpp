#include "report/LogSaveDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The filter as the dialog reads it: NUL-separated texts up to an empty one.
std::vector<std::string> FilterTexts(const char* filter)
{
    std::vector<std::string> texts;
    for (const char* p = filter; *p != '\0'; p += texts.back().size() + 1)
        texts.emplace_back(p);
    return texts;
}

const char* Choose(bool condition, const char* yes, const char* no) { return condition ? yes : no; }

TEST(LogSaveDialog, WhatTheUserMeetsInTheSaveDialog)
{
    LogPathBuffer file;
    OPENFILENAMEA dialog;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    FillLogSaveDialog(dialog, owner, file);
    const std::vector<std::string> filter = FilterTexts(dialog.lpstrFilter);
    std::string entries;  // "entry = pattern; ..."
    for (std::size_t i = 0; i + 1 < filter.size(); i += 2)
        entries += (i > 0 ? "; " : "") + filter[i] + " = " + filter[i + 1];
    // The entry chosen at start, counted from 1.
    const std::size_t chosen = 2 * (dialog.nFilterIndex - 1);
    const DWORD flags = dialog.Flags;
    const DWORD known = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    const struct {
        const char* name;
        std::string seen;
        std::string expected;
    } rows[] = {
        {"filter entries", entries, "Logfile (*.log) = *.log; All Files (*.*) = *.*"},
        {"entry chosen at start", chosen < filter.size() ? filter[chosen] : "none", "Logfile (*.log)"},
        {"initial file name", dialog.lpstrFile, "PCSC_Kardoskop.log"},
        {"longest path that can be chosen", std::to_string(dialog.nMaxFile - 1), std::to_string(MAX_PATH - 1)},
        {"extension given to a name without one", dialog.lpstrDefExt, "txt"},
        {"over which window", Choose(dialog.hwndOwner == owner, "the main window", "another"), "the main window"},
        {"title", Choose(dialog.lpstrTitle == nullptr, "the system's", "our own"), "the system's"},
        {"folder shown first", Choose(dialog.lpstrInitialDir == nullptr, "the system's", "ours"), "the system's"},
        {"an existing file chosen", Choose(flags & OFN_OVERWRITEPROMPT, "asked first", "replaced"), "asked first"},
        {"read-only box", Choose(flags & OFN_HIDEREADONLY, "hidden", "shown"), "hidden"},
        {"current folder afterwards", Choose(flags & OFN_NOCHANGEDIR, "as it was", "the chosen one"), "as it was"},
        {"other flags", Choose((flags & ~known) == 0, "none", "some"), "none"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.seen, row.expected);
    }
}

}  // namespace
