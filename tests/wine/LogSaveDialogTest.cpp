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

TEST(LogSaveDialog, Settings)
{
    LogPathBuffer file;
    OPENFILENAMEA dialog;
    HWND owner = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234));
    FillLogSaveDialog(dialog, owner, file);
    EXPECT_EQ(dialog.lStructSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(dialog.hwndOwner, owner);
    EXPECT_EQ(FilterTexts(dialog.lpstrFilter),
              (std::vector<std::string>{"Logfile (*.log)", "*.log", "All Files (*.*)", "*.*"}));
    EXPECT_EQ(dialog.nFilterIndex, 1u) << "the first entry is selected";
    EXPECT_EQ(dialog.lpstrFile, file.path);
    EXPECT_STREQ(file.path, "PCSC_Kardoskop.log");
    EXPECT_EQ(dialog.nMaxFile, sizeof file.path);
    EXPECT_STREQ(dialog.lpstrDefExt, "txt");
    EXPECT_EQ(dialog.Flags, static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY));
    EXPECT_EQ(dialog.lpstrInitialDir, nullptr);
    EXPECT_EQ(dialog.lpstrTitle, nullptr);
}

}  // namespace
