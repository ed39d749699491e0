#pragma once
// The Windows version as the log names it, worked out from a version record and four system
// metrics. Pure: the Win32 side (SysInfo.h) fills the record and asks the metrics.

#include <cstddef>
#include <cstdint>
#include <string>

// Capacity of the description text, terminating NUL included.
constexpr std::size_t kOsTextSize = 512;

constexpr std::uint32_t kPlatformWin32Windows = 1;  // VER_PLATFORM_WIN32_WINDOWS, the 9x family
constexpr std::uint32_t kPlatformWin32Nt = 2;       // VER_PLATFORM_WIN32_NT

constexpr std::uint16_t kNtWorkstation = 1;  // VER_NT_WORKSTATION

// Suite bits the description looks at (VER_SUITE_*).
constexpr std::uint16_t kSuiteEnterprise = 0x0002;
constexpr std::uint16_t kSuiteBackOffice = 0x0004;
constexpr std::uint16_t kSuiteEmbeddedNt = 0x0040;
constexpr std::uint16_t kSuiteDatacenter = 0x0080;
constexpr std::uint16_t kSuiteSingleUserTs = 0x0100;
constexpr std::uint16_t kSuitePersonal = 0x0200;
constexpr std::uint16_t kSuiteBlade = 0x0400;
constexpr std::uint16_t kSuiteStorageServer = 0x2000;
constexpr std::uint16_t kSuiteComputeServer = 0x4000;

// The version fields the program keeps, narrowed as the platform's record is read.
struct OsVersionInfo {
    std::uint32_t platformId = 0;
    std::uint8_t majorVersion = 0;
    std::uint8_t minorVersion = 0;
    std::uint16_t buildNumber = 0;
    std::string servicePack;  // szCSDVersion, at most 128 bytes; may be empty
    std::uint16_t productType = 0;  // 0 below NT 5
    std::uint16_t suiteMask = 0;    // 0 below NT 5
};

// GetSystemMetrics answers; non-zero means yes.
struct OsMetrics {
    int tabletPc = 0;     // SM_TABLETPC
    int mediaCenter = 0;  // SM_MEDIACENTER
    int starter = 0;      // SM_STARTER
    int serverR2 = 0;     // SM_SERVERR2
};

// The two-line description: "Windows <name><edition><extra>, Version M.mm, Product = 0x.., Suite = 0x.."
// then "\n(Build N[ service pack])". At most kOsTextSize - 1 characters.
std::string DescribeOs(const OsVersionInfo& info, const OsMetrics& metrics);

// The same text written into `buffer`. `size` is its capacity on entry; the whole capacity is
// cleared, then the text is copied cut to one character less than the capacity, so that a NUL
// always follows it, and `size` becomes the number of characters copied (without the NUL). A
// capacity of 0 receives nothing.
void DescribeOs(const OsVersionInfo& info, const OsMetrics& metrics, char* buffer, std::size_t& size);

// True exactly for NT 6.0.
bool IsVistaVersion(const OsVersionInfo& info);
