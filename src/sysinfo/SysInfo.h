#pragma once
// System information for the General page and the log: the Windows description and version test,
// and the versions of the system's smart-card files. Windows only.

#include "sysinfo/OsDescription.h"

#include <string>

// Fills the process-wide version record from GetVersionExA on the first call; later calls do
// nothing.
void LoadOsVersion();

// The process-wide version record, loaded on first use.
const OsVersionInfo& OsVersion();

class CSysInfo {
public:
    // Writes the two-line description, NUL-terminated, into `text`. False (text untouched) only when
    // no description came out.
    bool GetOsDescription(char (&text)[kOsTextSize]) const;

    // True exactly on NT 6.0.
    bool IsWindowsVista() const;

    // Version and maker of a file given relative to the system directory ("\winscard.dll"), looked
    // up with WOW64 redirection switched off where the platform has that switch. True when both texts
    // were filled; on false `maker` may be filled already and `version` is untouched.
    bool GetSystemFileVersion(const char* relativePath, std::string& version, std::string& maker) const;

    // FileVersion and CompanyName of the first translation of the file at `fullPath`; same result
    // as GetSystemFileVersion.
    bool ReadVersionStrings(const char* fullPath, std::string& version, std::string& maker) const;
};
