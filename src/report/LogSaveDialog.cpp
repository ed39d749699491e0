#include "report/LogSaveDialog.h"

#include <cstring>

namespace {
constexpr char kDefaultFileName[] = "PCSC_Kardoskop.log";
// Pairs of description and pattern; the array's own NUL ends the list.
constexpr char kFilter[] = "Logfile (*.log)\0*.log\0All Files (*.*)\0*.*\0";
// Without the dot: the dialog appends the first three characters it is given.
constexpr char kDefaultExtension[] = "txt";
}  // namespace

void FillLogSaveDialog(OPENFILENAMEA& dialog, HWND owner, LogPathBuffer& file)
{
    std::memcpy(file.path, kDefaultFileName, sizeof kDefaultFileName);
    dialog = OPENFILENAMEA{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.path;
    dialog.nMaxFile = sizeof file.path;
    dialog.lpstrDefExt = kDefaultExtension;
    // Without OFN_NOCHANGEDIR the chosen folder would stay the program's current folder, and a USB
    // stick that the log was saved onto could not be ejected while the program runs.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
}
