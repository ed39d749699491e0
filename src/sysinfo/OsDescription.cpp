#include "sysinfo/OsDescription.h"

#include <cstdio>
#include <cstring>

namespace {

bool IsNt(const OsVersionInfo& info, unsigned major, unsigned minor)
{
    return info.platformId == kPlatformWin32Nt && info.majorVersion == major &&
           info.minorVersion == minor;
}

bool IsXp(const OsVersionInfo& info)
{
    return IsNt(info, 5, 1);
}

// First matching row wins; versions no row names (NT 10.0, unknown platforms) get no name.
const char* ShortName(const OsVersionInfo& info, const OsMetrics& metrics)
{
    if (info.platformId == kPlatformWin32Windows) {
        switch (info.minorVersion) {
        case 0: return "95";
        case 10: return "98";
        case 90: return "ME";
        default: return "";
        }
    }
    if (info.platformId != kPlatformWin32Nt)
        return "";
    if (info.majorVersion == 4)
        return "NT";
    if (IsNt(info, 5, 0))
        return "2000";
    if (IsXp(info))
        return "XP";
    if (IsNt(info, 5, 2))
        return metrics.serverR2 ? "2003 R2" : "2003";
    if (IsNt(info, 6, 0))
        return "Vista";
    if (info.majorVersion >= 6 && info.minorVersion >= 1)
        return "Unknown NT";
    return "";
}

// Tablet PC outranks Starter, Starter outranks Media Center.
const char* XpExtra(const OsVersionInfo& info, const OsMetrics& metrics)
{
    if (!IsXp(info))
        return "";
    if (metrics.tabletPc)
        return " Tablet PC Edition";
    if (metrics.starter)
        return " Starter Edition";
    if (metrics.mediaCenter)
        return " Media Center Edition";
    return "";
}

std::string Edition(const OsVersionInfo& info)
{
    const std::uint16_t suite = info.suiteMask;
    std::string edition;
    if (info.productType == 0)
        return edition;
    if (info.productType == kNtWorkstation) {
        if (suite & kSuiteEmbeddedNt)
            edition += " Embedded";
        if (suite & kSuitePersonal)
            edition += " Home";
        else if (!(suite & (kSuiteBackOffice | kSuiteStorageServer)))
            edition += " Professional";
        return edition;
    }
    if (suite & kSuiteEnterprise)
        edition += IsNt(info, 5, 0) ? " Advanced Server" : " Enterprise Edition";
    if (suite & kSuiteDatacenter)
        edition += " Datacenter";
    edition += (suite & (kSuiteSingleUserTs | kSuiteBackOffice)) ? " Terminal Server" : " Server";
    if (suite & kSuiteBlade)
        edition += " Web Edition";
    if (suite & kSuiteComputeServer)
        edition += " Cluster Edition";
    return edition;
}

}  // namespace

std::string DescribeOs(const OsVersionInfo& info, const OsMetrics& metrics)
{
    constexpr std::size_t kLimit = kOsTextSize - 1;

    std::string text = "Windows ";
    text += ShortName(info, metrics);
    text += Edition(info);
    text += XpExtra(info, metrics);
    char numbers[96];  // room for the longest numbers
    (void)std::snprintf(numbers, sizeof numbers, ", Version %u.%02u, Product = 0x%x, Suite = 0x%x",
                  static_cast<unsigned>(info.majorVersion), static_cast<unsigned>(info.minorVersion),
                  static_cast<unsigned>(info.productType), static_cast<unsigned>(info.suiteMask));
    text += numbers;
    if (text.size() > kLimit)
        text.resize(kLimit);

    char build[32];  // room for the largest build number
    (void)std::snprintf(build, sizeof build, "\n(Build %u", static_cast<unsigned>(info.buildNumber));
    if (text.size() + std::strlen(build) < kOsTextSize)
        text += build;
    // Two places stay free: one for the joining blank, one for the closing parenthesis.
    if (!info.servicePack.empty() && text.size() + info.servicePack.size() < kOsTextSize - 2)
        text += " " + info.servicePack;
    if (text.size() + 1 < kOsTextSize)
        text += ")";
    return text;
}

void DescribeOs(const OsVersionInfo& info, const OsMetrics& metrics, char* buffer, std::size_t& size)
{
    if (buffer == nullptr || size == 0) {
        size = 0;
        return;
    }
    std::memset(buffer, 0, size);
    const std::string text = DescribeOs(info, metrics);
    const std::size_t length = text.size() < size ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    size = length;
}

bool IsVistaVersion(const OsVersionInfo& info)
{
    return IsNt(info, 6, 0);
}
