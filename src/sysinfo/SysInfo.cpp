#include "sysinfo/SysInfo.h"

#include <windows.h>

#include <cstring>

namespace {

OsVersionInfo g_osVersion;
bool g_osVersionLoaded = false;

}  // namespace

void LoadOsVersion()
{
    if (g_osVersionLoaded)
        return;
    g_osVersionLoaded = true;

    OSVERSIONINFOA plain{};
    plain.dwOSVersionInfoSize = sizeof plain;
    GetVersionExA(&plain);
    g_osVersion.platformId = plain.dwPlatformId;
    g_osVersion.majorVersion = static_cast<std::uint8_t>(plain.dwMajorVersion & 0xFFu);
    g_osVersion.minorVersion = static_cast<std::uint8_t>(plain.dwMinorVersion & 0xFFu);
    g_osVersion.buildNumber = static_cast<std::uint16_t>(plain.dwBuildNumber & 0xFFFFu);
    const char* servicePack = plain.szCSDVersion;
    const void* end = std::memchr(servicePack, '\0', sizeof plain.szCSDVersion);
    g_osVersion.servicePack.assign(servicePack,
        end ? static_cast<const char*>(end) - servicePack : sizeof plain.szCSDVersion);

    // The extended record exists from NT 5 on.
    if (g_osVersion.majorVersion >= 5) {
        OSVERSIONINFOEXA extended{};
        extended.dwOSVersionInfoSize = sizeof extended;
        GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&extended));
        g_osVersion.suiteMask = extended.wSuiteMask;
        g_osVersion.productType = extended.wProductType;
    }
}

const OsVersionInfo& OsVersion()
{
    LoadOsVersion();
    return g_osVersion;
}

bool CSysInfo::GetOsDescription(char (&text)[kOsTextSize]) const
{
    OsMetrics metrics;
    metrics.tabletPc = GetSystemMetrics(SM_TABLETPC);
    metrics.mediaCenter = GetSystemMetrics(SM_MEDIACENTER);
    metrics.starter = GetSystemMetrics(SM_STARTER);
    metrics.serverR2 = GetSystemMetrics(SM_SERVERR2);

    char description[kOsTextSize] = {};
    std::size_t size = sizeof description;
    DescribeOs(OsVersion(), metrics, description, size);
    if (size == 0)
        return false;
    const std::size_t length = size < kOsTextSize - 1 ? size : kOsTextSize - 1;
    std::memcpy(text, description, length);
    text[length] = '\0';
    return true;
}

bool CSysInfo::IsWindowsVista() const
{
    return IsVistaVersion(OsVersion());
}
