#pragma once
// The firmware query through the reader maker's vendor DLL (Windows only).

#include "pcsc/PcscApi.h"
#include "sysinfo/ReaderTests.h"

// Asks the vendor DLL for the firmware and EMV versions of a reader. `readerName` is the full PC/SC
// name; `firmware` and `emv` hold at least kVersionTextSize bytes and are cleared by the caller.
// The firmware text is written for FwAndEmv and FwOnly, the EMV text for FwAndEmv only. The DLL
// stays loaded for the rest of the run.
FirmwareQueryStatus QueryFirmwareVersion(SCARDCONTEXT hContext, const char* readerName,
                                         char* firmware, char* emv);
