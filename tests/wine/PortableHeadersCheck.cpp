// Built with the Windows tests, where <windows.h> is at hand: the interfaces of the pure logic
// must not include it (natively it does not exist, so there this check could not fail).
#include "atr/AtrDecoder.h"
#include "atr/ContactlessCard.h"
#include "atr/DetailRows.h"
#include "pcsc/AtrBlock.h"
#include "report/LogLayout.h"
#include "sysinfo/FirmwareDisplay.h"
#include "win/TextSource.h"

#ifdef _WINDOWS_
#error "an interface of the pure logic includes <windows.h>"
#endif
