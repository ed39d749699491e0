#pragma once
// The save-as dialog that asks for the log file's name (Windows only).

#include <windows.h>
#include <commdlg.h>

// The file-name buffer of the dialog: the initial name goes in, the chosen path comes out.
struct LogPathBuffer {
    char path[MAX_PATH] = {};
};

// Fills `dialog` for the log: owned by `owner`, the filters "Logfile (*.log)" (selected) and
// "All Files (*.*)", the initial name "PCSC_Kardoskop.log" in `file`, the default extension
// "txt", no read-only box, a question before an existing file is replaced, and the program's
// current folder left as it was.
void FillLogSaveDialog(OPENFILENAMEA& dialog, HWND owner, LogPathBuffer& file);
