#include "app/ModuleName.h"

#include <gtest/gtest.h>

namespace {

TEST(ModuleName, EnglishModuleFromTheProgramPath)
{
    const struct {
        const char* name;
        const char* path;
        const char* module;
    } cases[] = {
        {"installed program", "C:\\Tools\\PCSC_Kardoskop.exe", "PCSC_KardoskopENU.dll"},
        {"several dots lose only the last extension", "C:\\Tools\\PCSC.Kardoskop.v2.exe",
         "PCSC.Kardoskop.v2ENU.dll"},
        {"dotted folder, name with an extension", "C:\\Pro.gram Files\\v2.1\\Diag.exe", "DiagENU.dll"},
        {"dotted folder, name without an extension", "C:\\Tools.d\\Kardoskop", "KardoskopENU.dll"},
        {"no extension", "C:\\Tools\\PCSC_Kardoskop", "PCSC_KardoskopENU.dll"},
        {"bare file name", "PCSC_Kardoskop.exe", "PCSC_KardoskopENU.dll"},
        {"drive-relative path", "C:Kardoskop.exe", "KardoskopENU.dll"},
        {"forward slashes", "Z:/build/wine-bin/Kardoskop.exe", "KardoskopENU.dll"},
        {"UNC path", "\\\\server\\share.x\\Kardoskop.exe", "KardoskopENU.dll"},
        {"name ending in a dot", "C:\\Tools\\Kardoskop.", "KardoskopENU.dll"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(EnglishModuleName(c.path), c.module);
    }
}

TEST(ModuleName, ProgramDirectoryKeepsItsSeparator)
{
    const struct {
        const char* name;
        const char* path;
        const char* directory;
    } cases[] = {
        {"installed program", "C:\\Tools\\PCSC_Kardoskop.exe", "C:\\Tools\\"},
        {"dotted folder", "C:\\v2.1\\Kardoskop", "C:\\v2.1\\"},
        {"bare file name", "PCSC_Kardoskop.exe", ""},
        {"drive root", "C:\\Kardoskop.exe", "C:\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ProgramDirectory(c.path), c.directory);
    }
}

}  // namespace
