#pragma once
// What the reader page and the log show for a firmware query, and the text of the message box that
// reports a missing vendor DLL. Pure: the texts come from the given source (LoadText in the program).

#include "win/TextSource.h"

#include <string>

// Defined in sysinfo/FirmwareQuery.h, which brings in the platform's headers on Windows.
enum FirmwareQueryStatus : int;

// The vendor DLL's file name, as it is loaded and as the message names it.
constexpr char kVendorDllName[] = "tvkscrfwcheck.dll";

struct FirmwareFields {
    std::string firmware;
    std::string emv;
};

// The firmware and EMV fields for a query result. `firmware` and `emv` are the texts the query
// wrote; only the fields the status vouches for are taken from them, every other field shows
// "nicht verfügbar" (105).
FirmwareFields FirmwareDisplay(FirmwareQueryStatus status, const char* firmware, const char* emv,
                               const TextSource& text);

// The text of the box shown for FwLibraryMissing: "Die DLL" (174), the DLL's name between blanks
// and " kann nicht geöffnet werden." (173), joined as they are.
std::string VendorDllMissingMessage(const TextSource& text);
