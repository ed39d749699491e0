// The monitor's poll step on made-up poll records: which polls are reported, how much of a
// reported ATR reaches the block, and how much of a reader name the monitor keeps. The pcscd suite polls a real service.
#include "pcsc/MonitorPoll.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// The ATR bytes a poll record holds: 33 under pcsc-lite, 36 on Windows; never more than a block.
constexpr std::size_t kRecordAtr = sizeof(SCARD_READERSTATEA::rgbAtr);
static_assert(kRecordAtr <= kMaxAtrLength, "a block takes the whole ATR field of the record");

// A record for a reader that holds a card, its whole ATR field filled, with the length `reported`.
SCARD_READERSTATEA CardRecord(DWORD reported)
{
    SCARD_READERSTATEA state;
    std::memset(&state, 0, sizeof state);
    state.dwEventState = SCARD_STATE_CHANGED | SCARD_STATE_PRESENT;
    state.cbAtr = reported;
    for (std::size_t i = 0; i < kRecordAtr; ++i)
        state.rgbAtr[i] = static_cast<unsigned char>(0xA0 + i);
    return state;
}

// Each row feeds the record to the polls named in `earlier` (their call results), then to the poll
// checked: a change is reported with as much ATR as the record holds, an unchanged record or a
// failed call not at all, and a failed call counts as a change for the poll after it.
TEST(MonitorPoll, TakeReportsChangesWithNoMoreAtrThanTheRecordHolds)
{
    const LONG failed = SCARD_E_NO_SERVICE;
    struct Case {
        const char* name;
        DWORD reported;
        std::size_t taken;
        std::vector<LONG> earlier;
        LONG rv;
        MonitorEventKind kind;
    };
    const Case cases[] = {
        {"short ATR", 4, 4, {}, SCARD_S_SUCCESS, CardPresent},
        {"the whole ATR field", kRecordAtr, kRecordAtr, {}, SCARD_S_SUCCESS, CardPresent},
        {"one byte more than the record holds", kRecordAtr + 1, kRecordAtr, {}, SCARD_S_SUCCESS, CardPresent},
        {"longer than a block", kMaxAtrLength + 1, kRecordAtr, {}, SCARD_S_SUCCESS, CardPresent},
        {"a length no ATR has", 1000, kRecordAtr, {}, SCARD_S_SUCCESS, CardPresent},
        {"the same card again", 4, 0, {SCARD_S_SUCCESS}, SCARD_S_SUCCESS, NoReport},
        {"a failed call whose record holds a card", 4, 0, {}, failed, NoReport},
        {"the same card after a failed call", 4, 4, {SCARD_S_SUCCESS, failed}, SCARD_S_SUCCESS, CardPresent},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SCARD_READERSTATEA state = CardRecord(c.reported);
        CMonitorPoll poll("Talvek CCR 4000");
        unsigned char block[kAtrBlockSize];
        for (LONG rv : c.earlier)
            poll.Take(rv, state, block);
        std::memset(block, 0xEE, sizeof block);
        ASSERT_EQ(poll.Take(c.rv, state, block), c.kind);
        if (c.kind == NoReport) {
            EXPECT_EQ(block[0], 0xEE) << "the block was written without a report";
            continue;
        }
        EXPECT_EQ(block[0], c.taken);
        EXPECT_EQ(std::vector<unsigned char>(block + 1, block + 1 + block[0]),
                  std::vector<unsigned char>(state.rgbAtr, state.rgbAtr + c.taken));
    }
}

TEST(MonitorPoll, ReaderNamesAreCutTo254Characters)
{
    struct Case {
        const char* name;
        std::size_t length;
        std::size_t kept;
    };
    const Case cases[] = {
        {"short name", 15, 15},
        {"253 characters", 253, 253},
        {"254 characters", 254, 254},
        {"255 characters", 255, 254},
        {"400 characters", 400, 254},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string name;
        for (std::size_t i = 0; i < c.length; ++i)
            name += static_cast<char>('a' + i % 26);
        const CMonitorPoll poll(name);
        EXPECT_EQ(std::string(poll.ReaderName()), name.substr(0, c.kept));
    }
}

}  // namespace
