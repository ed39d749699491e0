#pragma once
// One view of the WinSCard API for both builds. Windows: the platform's winscard.h. Natively:
// pcsc-lite, which implements the same API under the unsuffixed names. Never assume the size of
// DWORD or LONG here: 4 bytes on Windows, 8 on 64-bit pcsc-lite. Nor of SCARDCONTEXT and
// SCARDHANDLE: pointer-sized (ULONG_PTR) on Windows, so 4 bytes in the shipped 32-bit program and 8
// in the x86_64 build; handles are kept in these types only, never in a DWORD.

#ifdef _WIN32
#include <windows.h>
#include <winscard.h>
#else
#include <PCSC/winscard.h>
#include <PCSC/wintypes.h>
#include <PCSC/reader.h>  // SCARD_ATTR_CURRENT_CLK

#define SCardListReadersA SCardListReaders
#define SCardConnectA SCardConnect
#define SCardGetStatusChangeA SCardGetStatusChange
using SCARD_READERSTATEA = SCARD_READERSTATE;
#endif

#include "win/Scoped.h"

#include <cstdint>

// The connection to a card for the scope of one call: disconnected when the scope ends, the card
// left as it is (SCARD_LEAVE_CARD), so that other programs and the status monitor see no change.
struct CardHandleTraits {
    using Handle = SCARDHANDLE;
    static Handle Invalid() { return 0; }
    static void Close(Handle hCard) { SCardDisconnect(hCard, SCARD_LEAVE_CARD); }
};
using CCardHandle = CScoped<CardHandleTraits>;

// The 32-bit PC/SC return code as the program keeps it (0 = success).
using PcscResult = std::int32_t;

inline PcscResult ToResult(LONG rv)
{
    return static_cast<PcscResult>(static_cast<std::uint32_t>(rv));
}
