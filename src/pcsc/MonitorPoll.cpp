#include "pcsc/MonitorPoll.h"

#include <cstring>

CMonitorPoll::CMonitorPoll(const std::string& readerName)
{
    std::memcpy(m_name, readerName.data(), readerName.size() < kMaxReaderName ? readerName.size() : kMaxReaderName);
}

MonitorEventKind CMonitorPoll::Poll(SCARDCONTEXT hContext, unsigned char (&atrBlock)[kAtrBlockSize])
{
    SCARD_READERSTATEA state;
    std::memset(&state, 0, sizeof state);
    state.szReader = m_name;
    state.dwCurrentState = SCARD_STATE_UNAWARE;

    // With an unaware current state the call answers at once: this is a poll, not a wait.
    LONG rv = SCardGetStatusChangeA(hContext, INFINITE, &state, 1);
    return Take(rv, state, atrBlock);
}

MonitorEventKind CMonitorPoll::Take(LONG rv, const SCARD_READERSTATEA& state,
                                    unsigned char (&atrBlock)[kAtrBlockSize])
{
    // Bits 8 and up (in use, mute, the event counter) never count as a change. A failed call
    // counts as state 0, so the next successful poll is always reported.
    const std::uint32_t change = rv == SCARD_S_SUCCESS ? (state.dwEventState & 0xFF) : 0;
    const bool changed = change != m_previous;
    m_previous = change;
    if (rv != SCARD_S_SUCCESS || !changed)
        return NoReport;

    if (change & SCARD_STATE_EMPTY)
        return ReaderEmpty;
    if (change & SCARD_STATE_PRESENT) {
        std::memset(atrBlock, 0, sizeof atrBlock);
        size_t length = state.cbAtr;
        if (length > kMaxAtrLength)
            length = kMaxAtrLength;
        if (length > sizeof state.rgbAtr)
            length = sizeof state.rgbAtr;
        atrBlock[0] = static_cast<unsigned char>(length);
        std::memcpy(atrBlock + 1, state.rgbAtr, length);
        return CardPresent;
    }
    return NoReport;
}
