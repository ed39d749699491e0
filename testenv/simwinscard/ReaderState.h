#pragma once
// How the simulated resource manager describes a reader of the scenario to SCardGetStatusChangeA.

#include <windows.h>
#include <winscard.h>

#include "Scenario.h"

#include <string>

namespace sim {

// The reader's present state as an event state without SCARD_STATE_CHANGED: EMPTY, PRESENT,
// PRESENT|MUTE or UNAVAILABLE, the scenario's extra bits, the bits of open connections
// (`connectionBits`) and the event counter in the high word.
DWORD ActualState(const scenario::Reader& reader, DWORD connectionBits);

// Whether `actual` differs from what the caller believes (`current`). SCARD_STATE_UNAWARE always
// differs; CHANGED, IGNORE and ATRMATCH are the caller's own bits and never compared; the event
// counter is compared only when the caller passed one.
bool StateChanged(DWORD current, DWORD actual);

// The reader multi-string of the scenario: each name ended by NUL, the whole ended by one more NUL.
// Empty when there is no reader.
std::string ReaderMultiString(const scenario::Scenario& s);

}  // namespace sim
