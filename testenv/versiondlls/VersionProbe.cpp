// Carries the program's own version resource and prints, one per line, what the version and OS
// queries answer inside it:
//   full=<ok>|<text>
//   short=<ok>|<text>
//   os=<description with its line feed written as \n>
//   vista=<0|1>
#include "sysinfo/FileVersion.h"
#include "sysinfo/SysInfo.h"

#include <cstdio>

namespace {

void PrintVersion(const char* label, int form)
{
    std::string text = "stale";
    const bool ok = GetProgramVersionText(text, form);
    std::printf("%s=%d|%s\n", label, ok ? 1 : 0, text.c_str());
}

}  // namespace

int main()
{
    PrintVersion("full", VersionFull);
    PrintVersion("short", VersionShort);

    char description[kOsTextSize] = {};
    CSysInfo sysInfo;
    sysInfo.GetOsDescription(description);
    std::printf("os=");
    for (const char* p = description; *p; ++p) {
        if (*p == '\n')
            std::printf("\\n");
        else
            std::putchar(*p);
    }
    std::printf("\nvista=%d\n", sysInfo.IsWindowsVista() ? 1 : 0);
    return 0;
}
