// CPcscAccess against a private pcscd with virtual readers.

#include "pcsc/PcscAccess.h"
#include "pcsc/ReaderList.h"

#include "PcscdHarness.h"
#include "pcscd/TraceRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace {

using pcscdtest::PcscdHarness;
using pcscdtest::VirtualReader;
using Bytes = std::vector<unsigned char>;

constexpr PcscResult kNoService = static_cast<PcscResult>(0x8010001D);

const char kContactlessAtr[] = "3B 8F 80 01 80 4F 0C A0 00 00 03 06 03 00 01 00 00 00 00 6A";

class PcscAccessTest : public ::testing::Test {
protected:
    ::testing::AssertionResult Started(const std::vector<VirtualReader>& readers)
    {
        if (m_pcscd.Start(readers))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << m_pcscd.Error();
    }

    // A context as the main dialog gets it.
    ::testing::AssertionResult Established()
    {
        PcscResult result = -1;
        if (m_pcsc.EstablishContext(m_hContext, result) == 0)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "EstablishContext gave " << std::hex << result;
    }

    void TearDown() override
    {
        std::free(m_readers);
        if (m_hContext != 0)
            SCardReleaseContext(m_hContext);
        EXPECT_TRUE(m_pcscd.Stop()) << m_pcscd.Error();
    }

    PcscdHarness m_pcscd;
    CPcscAccess m_pcsc;
    TraceRecorder m_trace;
    SCARDCONTEXT m_hContext = 0;
    std::uint32_t m_readersLength = 0;
    char* m_readers = nullptr;
    bool m_readersAvailable = false;
};

TEST_F(PcscAccessTest, EstablishesContextWithTheDaemon)
{
    ASSERT_TRUE(Started({{"Talvek CCR 4000", "card = absent"}}));

    PcscResult result = -1;
    EXPECT_EQ(m_pcsc.EstablishContext(m_hContext, result), 0);
    EXPECT_EQ(result, 0);
    EXPECT_NE(m_hContext, 0u);
    EXPECT_EQ(m_trace.Text(), "");
}

TEST_F(PcscAccessTest, NoReadersIsAnAnswer)
{
    ASSERT_TRUE(Started({}));
    ASSERT_TRUE(Established());

    EXPECT_TRUE(m_pcsc.ListReaders(m_hContext, m_readersLength, m_readers, m_readersAvailable));
    EXPECT_FALSE(m_readersAvailable);
    EXPECT_EQ(m_readers, nullptr);
    EXPECT_EQ(m_trace.Text(), "no readers available\n");
}

TEST_F(PcscAccessTest, ReadersListedInTheDaemonsOrder)
{
    // Not in alphabetical order, so that a sorted list would show.
    const std::vector<std::string> names = {"Talvek CLR 2000-RF", "Acme Contact 1", "Talvek CCR 4000"};
    ASSERT_TRUE(Started({{names[0], "card = absent"},
                         {names[1], std::string("card = present\natr = ") + kContactlessAtr},
                         {names[2], "card = absent"}}));
    ASSERT_TRUE(Established());

    ASSERT_TRUE(m_pcsc.ListReaders(m_hContext, m_readersLength, m_readers, m_readersAvailable));
    EXPECT_TRUE(m_readersAvailable);
    ASSERT_NE(m_readers, nullptr);
    EXPECT_EQ(m_trace.Text(), "list readers passed\n");

    std::vector<std::string> expected;
    std::uint32_t expectedLength = 1;  // the final NUL
    for (const std::string& name : names) {
        expected.push_back(name + " 00 00");
        expectedLength += static_cast<std::uint32_t>(expected.back().size() + 1);
    }
    EXPECT_EQ(WalkReaderNames(m_readers, m_readersLength), expected);
    EXPECT_EQ(m_readersLength, expectedLength);
}

// The daemon gone: the context cannot be had, and without it no list.
class NoServiceTest : public PcscAccessTest, public ::testing::WithParamInterface<bool> {};

TEST_P(NoServiceTest, ContextFailsAndNoListIsFetched)
{
    ASSERT_TRUE(pcscdtest::InPrivateNamespace()) << "run through testenv/pcscd/run-in-namespace.sh";
    const bool daemonRanBefore = GetParam();
    if (daemonRanBefore) {
        ASSERT_TRUE(Started({{"Talvek CCR 4000", "card = absent"}}));
        ASSERT_TRUE(m_pcscd.Stop()) << m_pcscd.Error();
    }

    PcscResult result = 0;
    EXPECT_EQ(m_pcsc.EstablishContext(m_hContext, result), kNoService);
    EXPECT_EQ(result, kNoService);
    EXPECT_EQ(m_trace.Text(), "");

    EXPECT_FALSE(m_pcsc.ListReaders(m_hContext, m_readersLength, m_readers, m_readersAvailable));
    EXPECT_FALSE(m_readersAvailable);
    EXPECT_EQ(m_readers, nullptr);
    EXPECT_EQ(m_trace.Text(), "list readers failed\n");
    m_hContext = 0;  // never established: nothing to release
}

INSTANTIATE_TEST_SUITE_P(PcscAccess, NoServiceTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return param.param ? "DaemonStopped" : "DaemonNeverStarted";
                         });

// One reader per case, all in one daemon.
struct UidCase {
    const char* name;
    std::string state;
    PcscResult connect;  // what SCardConnect gives on this reader: the premise of the case
    bool ok;
    Bytes uid;
    std::string trace;
};

std::string ContactlessCard(const std::string& answer)
{
    return std::string("card = present\natr = ") + kContactlessAtr +
           (answer.empty() ? "" : "\napdu = FF CA 00 00 00 : " + answer);
}

const std::vector<UidCase>& UidCases()
{
    static const std::vector<UidCase> cases = {
        {"FourByteUid", ContactlessCard("04 A1 B2 C3 90 00"), 0, true, {0x04, 0xA1, 0xB2, 0xC3},
         "Active protocol T1\n"},
        {"StatusOnly", ContactlessCard("90 00"), 0, true, {}, "Active protocol T1\n"},
        {"WrongStatus", ContactlessCard("6A 81"), 0, false, {},
         "Active protocol T1\n\nWrong return code: 6A81\n"},
        {"CommandUnknownToCard", ContactlessCard(""), 0, false, {},
         "Active protocol T1\n\nWrong return code: 6D00\n"},
        {"TZeroCard", "card = present\natr = 3B 02 14 50\napdu = FF CA 00 00 00 : 11 22 90 00", 0,
         true, {0x11, 0x22}, "Active protocol T0\n"},
        {"NoCard", "card = absent", static_cast<PcscResult>(0x8010000C), false, {},
         "Failed SCardConnect\n"},
        {"MuteCard", std::string("card = mute\natr = ") + kContactlessAtr,
         static_cast<PcscResult>(0x80100067), false, {}, "Failed SCardConnect\n"},
        {"TFifteenOnly", "card = present\natr = 3B 80 0F 8F", static_cast<PcscResult>(0x8010000F),
         false, {}, "Failed SCardConnect\n"},
    };
    return cases;
}

TEST_F(PcscAccessTest, ReadUid)
{
    const auto& cases = UidCases();
    std::vector<VirtualReader> readers;
    for (const UidCase& c : cases)
        readers.push_back({std::string("Virtual ") + c.name, c.state});
    ASSERT_TRUE(Started(readers));
    ASSERT_TRUE(Established());

    for (std::size_t i = 0; i < cases.size(); ++i) {
        const UidCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const std::string& reader = m_pcscd.ReaderNames()[i];

        SCARDHANDLE hCard = 0;
        DWORD protocol = 0;
        const LONG rv = SCardConnect(m_hContext, reader.c_str(), SCARD_SHARE_SHARED,
                                     SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard, &protocol);
        EXPECT_EQ(ToResult(rv), c.connect);
        if (rv == SCARD_S_SUCCESS)
            SCardDisconnect(hCard, SCARD_LEAVE_CARD);

        unsigned char uid[CPcscAccess::kUidBufferSize];
        std::fill(std::begin(uid), std::end(uid), 0xEE);
        int count = -1;
        m_trace.Clear();
        EXPECT_EQ(m_pcsc.ReadUid(m_hContext, reader.c_str(), uid, count), c.ok);
        EXPECT_EQ(m_trace.Text(), c.trace);
        if (c.ok) {
            ASSERT_EQ(count, static_cast<int>(c.uid.size()));
            EXPECT_EQ(Bytes(uid, uid + count), c.uid);
            EXPECT_EQ(uid[count], 0xEE);
        } else {
            EXPECT_EQ(count, -1);
            EXPECT_EQ(uid[0], 0xEE);
        }
    }
}

// What the status monitor will see: the daemon follows a rewritten state file.
TEST_F(PcscAccessTest, CardSwapSeenByTheDaemon)
{
    ASSERT_TRUE(Started({{"Talvek CLR 2000-RF", ContactlessCard("04 A1 B2 C3 90 00")}}));
    ASSERT_TRUE(Established());
    const std::string reader = m_pcscd.ReaderNames()[0];

    const Bytes otherAtr = {0x3B, 0x81, 0x80, 0x01, 0x80, 0x80};
    ASSERT_TRUE(m_pcscd.SetState(0, "card = present\natr = 3B 81 80 01 80 80\n"
                                    "apdu = FF CA 00 00 00 : 08 15 90 00"));
    ASSERT_TRUE(m_pcscd.WaitForEmpty(0)) << m_pcscd.Error();
    ASSERT_TRUE(m_pcscd.WaitForCard(0, otherAtr)) << m_pcscd.Error();

    unsigned char uid[CPcscAccess::kUidBufferSize] = {};
    int count = -1;
    ASSERT_TRUE(m_pcsc.ReadUid(m_hContext, reader.c_str(), uid, count));
    EXPECT_EQ(Bytes(uid, uid + count), (Bytes{0x08, 0x15}));

    ASSERT_TRUE(m_pcscd.SetState(0, "card = absent"));
    ASSERT_TRUE(m_pcscd.WaitForEmpty(0)) << m_pcscd.Error();
    m_trace.Clear();
    EXPECT_FALSE(m_pcsc.ReadUid(m_hContext, reader.c_str(), uid, count));
    EXPECT_EQ(m_trace.Text(), "Failed SCardConnect\n");
}

}  // namespace
