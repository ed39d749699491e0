#pragma once
// One poll of the status monitor: ask the resource manager for the reader's present state and
// decide whether that is a change worth reporting. Portable, so it runs against pcscd natively;
// the thread, events and posted messages around it are in StatusMonitor.

#include "pcsc/AtrBlock.h"
#include "pcsc/PcscApi.h"

#include <cstdint>
#include <string>

enum MonitorEventKind : std::int32_t {
    NoReport = 0,
    CardPresent = 1,
    ReaderEmpty = 2,
};

class CMonitorPoll {
public:
    // The monitor accepts names of up to 254 characters; longer names are cut.
    static constexpr unsigned kMaxReaderName = 254;

    explicit CMonitorPoll(const std::string& readerName);

    // Polls once. Returns CardPresent (with `atrBlock` filled), ReaderEmpty, or NoReport when the
    // low eight state bits did not change, the call failed, or the reader is neither empty nor
    // holding a card. The first successful poll always counts as a change.
    MonitorEventKind Poll(SCARDCONTEXT hContext, unsigned char (&atrBlock)[kAtrBlockSize]);

    // The decision of one poll, from the call's result and the poll record it filled.
    MonitorEventKind Take(LONG rv, const SCARD_READERSTATEA& state,
                          unsigned char (&atrBlock)[kAtrBlockSize]);

    const char* ReaderName() const { return m_name; }

private:
    char m_name[kMaxReaderName + 1] = {};
    // Above any eight-bit change code: "no poll yet".
    static constexpr std::uint32_t kNone = 0x100;
    std::uint32_t m_previous = kNone;
};
