#pragma once
// The firmware query through the reader maker's vendor DLL (Windows only), its status numbers and
// the version text it makes of a vendor-DLL value (portable).

#include <cstddef>
#include <cstdint>
#include <string>

// Result of QueryFirmwareVersion.
enum FirmwareQueryStatus : int {
    FwLibraryMissing = 1,  // the vendor DLL is not found or fails to load
    FwQueryFailed = 2,     // GetFWVersion returned a value other than 0
    FwEntryMissing = 3,    // the DLL has no export GetFWVersion
    FwAndEmv = 4,          // firmware text and EMV text delivered
    FwOnly = 5,            // firmware text delivered; the EMV value was 0
};

// A version text is at most 10 characters; every buffer that receives one holds this many bytes.
constexpr std::size_t kVersionTextSize = 11;

// The version text of a 32-bit value: its lower-case hex digits without leading zeros laid out as
// d1.d2d3.d4d5.d6d7 and cut after the last digit there is (0x10203 gives "1.02.03."). An eighth
// digit has no place and is dropped, so the text never exceeds 10 characters.
std::string VersionText(std::uint32_t value);

#ifdef _WIN32
#include "pcsc/PcscApi.h"

// Asks the vendor DLL for the firmware and EMV versions of a reader. `readerName` is the full PC/SC
// name; `firmware` and `emv` hold at least kVersionTextSize bytes and are cleared by the caller.
// The firmware text is written for FwAndEmv and FwOnly, the EMV text for FwAndEmv only. The DLL
// stays loaded for the rest of the run.
FirmwareQueryStatus QueryFirmwareVersion(SCARDCONTEXT hContext, const char* readerName,
                                         char* firmware, char* emv);
#endif
