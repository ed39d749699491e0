#include "sysinfo/FirmwareDisplay.h"

namespace {

constexpr unsigned kIdsNotAvailable = 105;
constexpr unsigned kIdsCannotBeOpened = 173;
constexpr unsigned kIdsTheDll = 174;

}  // namespace

FirmwareFields FirmwareDisplay(FirmwareQueryStatus status, const char* firmware, const char* emv,
                               const TextSource& text)
{
    const bool firmwareShown = status == FwAndEmv || status == FwOnly;
    const bool emvShown = status == FwAndEmv;
    FirmwareFields fields;
    fields.firmware = firmwareShown ? (firmware ? firmware : "") : text(kIdsNotAvailable);
    fields.emv = emvShown ? (emv ? emv : "") : text(kIdsNotAvailable);
    return fields;
}

std::string VendorDllMissingMessage(const TextSource& text)
{
    return text(kIdsTheDll) + " " + kVendorDllName + " " + text(kIdsCannotBeOpened);
}
