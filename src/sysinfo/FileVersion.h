#pragma once
// The program's own version, read from the version resource of its file. Windows only; the system
// file query is CSysInfo::GetSystemFileVersion (SysInfo.h).

#include "sysinfo/FileVersionText.h"

#include <windows.h>

#include <string>

// File version a.b.c.d from the fixed record of the file at `path`. False when the file has no
// version resource or no fixed record.
bool ReadFixedFileVersion(const char* path, WORD& a, WORD& b, WORD& c, WORD& d);

// "PC/SC Kardoskop v" and the version of `module`'s file in `form` (VersionFull, VersionShort).
// The text is emptied first and stays empty on false.
bool GetModuleVersionText(HMODULE module, std::string& text, int form);

// The same for the program's own file.
bool GetProgramVersionText(std::string& text, int form);
