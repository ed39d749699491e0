#include "ReaderState.h"

namespace sim {

DWORD ActualState(const scenario::Reader& reader, DWORD connectionBits)
{
    DWORD state = 0;
    switch (reader.card) {
    case scenario::Card::Absent:
        state = SCARD_STATE_EMPTY;
        break;
    case scenario::Card::Present:
        state = SCARD_STATE_PRESENT | connectionBits;
        break;
    case scenario::Card::Mute:
        state = SCARD_STATE_PRESENT | SCARD_STATE_MUTE;
        break;
    case scenario::Card::Unavailable:
        state = SCARD_STATE_UNAVAILABLE;
        break;
    }
    return state | reader.flags | (static_cast<DWORD>(reader.events) << 16);
}

bool StateChanged(DWORD current, DWORD actual)
{
    if (current == SCARD_STATE_UNAWARE)
        return true;
    const DWORD callerBits = SCARD_STATE_CHANGED | SCARD_STATE_IGNORE | SCARD_STATE_ATRMATCH;
    if (((current ^ actual) & 0xFFFF & ~callerBits) != 0)
        return true;
    const DWORD currentCount = current >> 16;
    return currentCount != 0 && currentCount != (actual >> 16);
}

std::string ReaderMultiString(const scenario::Scenario& s)
{
    std::string list;
    for (const scenario::Reader& reader : s.readers) {
        list += reader.name;
        list += '\0';
    }
    if (!list.empty())
        list += '\0';
    return list;
}

}  // namespace sim
