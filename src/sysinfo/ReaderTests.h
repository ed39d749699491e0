#pragma once
// Tests on a PC/SC reader name (which readers the tool examines, which of them are contactless, and
// under which text they are listed) and the version text of a vendor-DLL value.

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

// The longest text ReaderDisplayName returns.
constexpr std::size_t kMaxDisplayNameLength = 99;

// True when the name carries the maker's name or one of the two supported model families
// (case-sensitive, anywhere in the name).
bool IsSupportedReader(const std::string& readerName);

// True when the name marks a contactless reader.
bool IsContactlessReader(const std::string& readerName);

// The text under which a reader is listed: a name with the maker's name loses its first seven
// characters (maker and blank, wherever the maker's name stands), a supported model keeps its whole
// name, any other name gives "". Never longer than kMaxDisplayNameLength.
std::string ReaderDisplayName(const std::string& readerName);

// The version text of a 32-bit value: its lower-case hex digits without leading zeros laid out as
// d1.d2d3.d4d5.d6d7 and cut after the last digit there is (0x10203 gives "1.02.03."). An eighth
// digit has no place and is dropped, so the text never exceeds 10 characters.
std::string VersionText(std::uint32_t value);
