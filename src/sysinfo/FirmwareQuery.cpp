#include "sysinfo/FirmwareQuery.h"

#include "sysinfo/FirmwareDisplay.h"
#include "win/Trace.h"

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>

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
