#include "sysinfo/FirmwareQuery.h"

#include <cstdio>

std::string VersionText(std::uint32_t value)
{
    char digits[9];
    const int count = std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(value));

    // Layout d1.d2d3.d4d5.d6d7: a point follows digits 1, 3 and 5 whenever that digit exists, so a
    // short value ends in its point ("0.", "1.02.03.").
    std::string text;
    for (int i = 0; i < count && i < 7; ++i) {
        text += digits[i];
        if (i == 0 || i == 2 || i == 4)
            text += '.';
    }
    return text;
}

#ifdef _WIN32
#include "sysinfo/FirmwareDisplay.h"
#include "win/Trace.h"

#include <cstring>

namespace {

// The vendor's export: context, reader name, then firmware, reserved and EMV values.
using GetFWVersionFn = std::int32_t(WINAPI*)(SCARDCONTEXT hContext, const char* readerName,
                                             std::uint32_t* firmware, std::uint32_t* reserved,
                                             std::uint32_t* emv);

void CopyVersionText(std::uint32_t value, char* out)
{
    const std::string text = VersionText(value);
    std::memcpy(out, text.c_str(), text.size() + 1);
}

}  // namespace

FirmwareQueryStatus QueryFirmwareVersion(SCARDCONTEXT hContext, const char* readerName,
                                         char* firmware, char* emv)
{
    // Loaded at every query and never freed: the DLL stays in the process for the rest of the run,
    // and a repeated load only raises its reference count.
    HMODULE dll = LoadLibraryA(kVendorDllName);
    if (!dll) {
        Trace("firmware DLL not loaded\n");
        return FwLibraryMissing;
    }
    auto getFwVersion = reinterpret_cast<GetFWVersionFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dll, "GetFWVersion")));
    if (!getFwVersion) {
        Trace("GetFWVersion not found\n");
        // cppcheck-suppress resourceLeak ; the vendor DLL stays loaded
        return FwEntryMissing;
    }

    std::uint32_t firmwareValue = 0;
    std::uint32_t reserved = 0;  // the DLL's business; passed and ignored
    std::uint32_t emvValue = 0;
    const std::int32_t rv =
        getFwVersion(hContext, readerName ? readerName : "", &firmwareValue, &reserved, &emvValue);
    if (rv != 0) {
        TraceF("GetFWVersion failed 0x%08lx\n",
               static_cast<unsigned long>(static_cast<std::uint32_t>(rv)));
        // cppcheck-suppress resourceLeak ; the vendor DLL stays loaded
        return FwQueryFailed;
    }

    CopyVersionText(firmwareValue, firmware);
    if (emvValue == 0) {
        // cppcheck-suppress resourceLeak ; the vendor DLL stays loaded
        return FwOnly;
    }
    CopyVersionText(emvValue, emv);
    // cppcheck-suppress resourceLeak ; the vendor DLL stays loaded
    return FwAndEmv;
}
#endif
