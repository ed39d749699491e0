// The monitor's poll step against the real pcscd: first poll, insertion, removal, a card swap, and
// an unavailable reader.
#include "pcsc/MonitorPoll.h"

#include "PcscdHarness.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

using pcscdtest::PcscdHarness;

const std::vector<unsigned char> kFirstAtr = {0x3B, 0x96, 0x11, 0x81, 0x31, 0xFE, 0x45,
                                              0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
const std::vector<unsigned char> kSecondAtr = {0x3B, 0x02, 0x14, 0x50};

struct Seen {
    MonitorEventKind kind;
    std::vector<unsigned char> atr;
};

class MonitorPollTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_pcscd.Start({{"Talvek CCR 4000", "card = absent"}})) << m_pcscd.Error();
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_hContext),
                  SCARD_S_SUCCESS);
    }
    void TearDown() override
    {
        SCardReleaseContext(m_hContext);
        EXPECT_TRUE(m_pcscd.Stop()) << m_pcscd.Error();
    }

    MonitorEventKind PollOnce(CMonitorPoll& poll, std::vector<unsigned char>* atr = nullptr)
    {
        unsigned char block[kAtrBlockSize] = {};
        MonitorEventKind kind = poll.Poll(m_hContext, block);
        if (atr)
            atr->assign(block + 1, block + 1 + block[0]);
        return kind;
    }

    // Polls every 200 ms, as the monitor thread does, until `count` reports or the time is up.
    std::vector<Seen> PollFor(CMonitorPoll& poll, size_t count, std::chrono::milliseconds limit)
    {
        std::vector<Seen> seen;
        auto end = std::chrono::steady_clock::now() + limit;
        while (seen.size() < count && std::chrono::steady_clock::now() < end) {
            std::vector<unsigned char> atr;
            MonitorEventKind kind = PollOnce(poll, &atr);
            if (kind != NoReport)
                seen.push_back({kind, kind == CardPresent ? atr : std::vector<unsigned char>()});
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        }
        return seen;
    }

    static std::string CardState(const char* atr)
    {
        return std::string("card = present\natr = ") + atr + "\n";
    }

    PcscdHarness m_pcscd;
    SCARDCONTEXT m_hContext = 0;
};

TEST_F(MonitorPollTest, FirstPollIsAlwaysReported)
{
    CMonitorPoll poll(m_pcscd.ReaderNames()[0]);
    EXPECT_EQ(PollOnce(poll), ReaderEmpty);
    EXPECT_EQ(PollOnce(poll), NoReport);
    EXPECT_EQ(PollOnce(poll), NoReport);

    CMonitorPoll second(m_pcscd.ReaderNames()[0]);
    EXPECT_EQ(PollOnce(second), ReaderEmpty) << "every new poller reports its first poll";
}

TEST_F(MonitorPollTest, ReportsInsertionAndRemoval)
{
    CMonitorPoll poll(m_pcscd.ReaderNames()[0]);
    ASSERT_EQ(PollOnce(poll), ReaderEmpty);

    ASSERT_TRUE(m_pcscd.SetState(0, CardState("3B 96 11 81 31 FE 45 01 02 03 04 05 06")));
    std::vector<Seen> seen = PollFor(poll, 1, std::chrono::seconds(5));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, CardPresent);
    EXPECT_EQ(seen[0].atr, kFirstAtr);
    EXPECT_EQ(PollOnce(poll), NoReport);

    ASSERT_TRUE(m_pcscd.SetState(0, "card = absent\n"));
    seen = PollFor(poll, 1, std::chrono::seconds(5));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, ReaderEmpty);
}

TEST_F(MonitorPollTest, ReportsACardSwapAsRemovalThenTheNewCard)
{
    ASSERT_TRUE(m_pcscd.SetState(0, CardState("3B 96 11 81 31 FE 45 01 02 03 04 05 06")));
    ASSERT_TRUE(m_pcscd.WaitForCard(0, kFirstAtr)) << m_pcscd.Error();
    CMonitorPoll poll(m_pcscd.ReaderNames()[0]);
    std::vector<unsigned char> atr;
    ASSERT_EQ(PollOnce(poll, &atr), CardPresent);
    EXPECT_EQ(atr, kFirstAtr);

    ASSERT_TRUE(m_pcscd.SetState(0, CardState("3B 02 14 50")));
    std::vector<Seen> seen = PollFor(poll, 2, std::chrono::seconds(6));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, ReaderEmpty);
    EXPECT_EQ(seen[1].kind, CardPresent);
    EXPECT_EQ(seen[1].atr, kSecondAtr);
}

TEST_F(MonitorPollTest, NothingForAnUnavailableOrUnknownReader)
{
    CMonitorPoll unknown("Talvek Gone 00 00");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PollOnce(unknown), NoReport);

    ASSERT_TRUE(m_pcscd.SetState(0, "card = unavailable\n"));
    ASSERT_TRUE(m_pcscd.WaitFor(0, [](const pcscdtest::ReaderStatus& s) {
        return (s.eventState & SCARD_STATE_UNAVAILABLE) != 0;
    })) << m_pcscd.Error();
    CMonitorPoll poll(m_pcscd.ReaderNames()[0]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(PollOnce(poll), NoReport);

    // Back in service, the reader is reported at the next poll.
    ASSERT_TRUE(m_pcscd.SetState(0, "card = absent\n"));
    std::vector<Seen> seen = PollFor(poll, 1, std::chrono::seconds(5));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].kind, ReaderEmpty);
}

TEST_F(MonitorPollTest, ReportsAgainAfterTheServiceFailed)
{
    CMonitorPoll poll(m_pcscd.ReaderNames()[0]);
    ASSERT_EQ(PollOnce(poll), ReaderEmpty);

    // A context that the daemon no longer knows makes the call fail; the next successful poll of
    // the same (unchanged) reader is then reported again.
    SCARDCONTEXT stale = m_hContext;
    ASSERT_EQ(SCardReleaseContext(stale), SCARD_S_SUCCESS);
    unsigned char block[kAtrBlockSize] = {};
    EXPECT_EQ(poll.Poll(stale, block), NoReport);
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_hContext),
              SCARD_S_SUCCESS);
    EXPECT_EQ(PollOnce(poll), ReaderEmpty);
}

}  // namespace
