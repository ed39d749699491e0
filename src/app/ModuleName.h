#pragma once
// The English resource module sits next to the program and is named after it:
// "C:\Tools\PCSC_Kardoskop.exe" -> "PCSC_KardoskopENU.dll".

#include <string>

// The module's file name: the program file's name without directory and last extension, then
// "ENU.dll".
std::string EnglishModuleName(const std::string& programPath);

// The program's directory with its trailing backslash ("C:\Tools\"), empty for a bare name.
std::string ProgramDirectory(const std::string& programPath);
