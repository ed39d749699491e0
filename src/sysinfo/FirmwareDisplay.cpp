#include "sysinfo/FirmwareDisplay.h"

#include "resource.h"
#include "sysinfo/FirmwareQuery.h"

FirmwareFields FirmwareDisplay(FirmwareQueryStatus status, const char* firmware, const char* emv,
                               const TextSource& text)
{
    const bool firmwareShown = status == FwAndEmv || status == FwOnly;
    const bool emvShown = status == FwAndEmv;
    FirmwareFields fields;
    fields.firmware = firmwareShown ? (firmware ? firmware : "") : text(IDS_NOT_AVAILABLE);
    fields.emv = emvShown ? (emv ? emv : "") : text(IDS_NOT_AVAILABLE);
    return fields;
}

std::string VendorDllMissingMessage(const TextSource& text)
{
    return text(IDS_THE_DLL) + " " + kVendorDllName + " " + text(IDS_CANNOT_OPEN);
}
