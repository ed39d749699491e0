// The simulated winscard.dll itself: the Windows behaviour that the program's status monitor, ATR
// decoder and card connection rely on when they run against it.

#include "HeldQuery.h"
#include "SimEnvironment.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <winscard.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char kReader[] = "Sim Reader 0";

std::string Reader(const std::string& settings)
{
    return std::string("[reader ") + kReader + "]\n" + settings;
}

class SimWinscardTest : public ::testing::Test {
protected:
    void SetUp() override { m_sim.UseScenario(Reader("card = present\natr = 3B 02 14 50\n")); }

    SCARDCONTEXT Establish()
    {
        SCARDCONTEXT hContext = 0;
        EXPECT_EQ(SCARD_S_SUCCESS, SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext));
        return hContext;
    }

    LONG Poll(SCARDCONTEXT hContext, SCARD_READERSTATEA& state, DWORD current = SCARD_STATE_UNAWARE,
              DWORD timeout = 0, const char* reader = kReader)
    {
        state = SCARD_READERSTATEA();
        state.szReader = reader;
        state.dwCurrentState = current;
        return SCardGetStatusChangeA(hContext, timeout, &state, 1);
    }

    SCARDHANDLE Connect(SCARDCONTEXT hContext, LONG expected = SCARD_S_SUCCESS)
    {
        SCARDHANDLE hCard = 0;
        DWORD protocol = 0;
        EXPECT_EQ(expected, SCardConnectA(hContext, kReader, SCARD_SHARE_SHARED,
                                          SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard, &protocol));
        return hCard;
    }

    SimEnvironment m_sim;
};

struct Delayed {
    SimEnvironment* sim;
    std::string scenario;     // renamed over the scenario in use, when set
    SCARDCONTEXT cancel = 0;  // cancelled, when set
    bool replaced = false;
};

DWORD WINAPI AfterAWhile(LPVOID parameter)
{
    Sleep(100);
    Delayed* delayed = static_cast<Delayed*>(parameter);
    if (!delayed->scenario.empty())
        delayed->replaced = delayed->sim->ReplaceScenario(delayed->scenario);
    if (delayed->cancel != 0)
        SCardCancel(delayed->cancel);
    return 0;
}

HANDLE Later(Delayed& delayed)
{
    return CreateThread(nullptr, 0, AfterAWhile, &delayed, 0, nullptr);
}

void Join(HANDLE thread)
{
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace

TEST_F(SimWinscardTest, StatusForAnUnawareCaller)
{
    struct Case {
        const char* name;
        std::string settings;
        DWORD eventState;
        DWORD cbAtr;
    } const cases[] = {
        {"empty reader", "card = absent\natr = 3B 00\n", 0x12, 0},
        {"card", "card = present\natr = 3B 02 14 50\n", 0x22, 4},
        {"mute card", "card = mute\natr = 3B 00\n", 0x222, 0},
        {"unavailable reader", "card = unavailable\n", 0x0A, 0},
        {"extra bits and event counter", "card = present\nflags = 0x80\nevents = 3\n", 0x000300A2, 0},
        {"ATR of 36 bytes",
         "card = present\natr = " + std::string(36 * 2, 'A') + "\n", 0x22, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(Reader(c.settings));
        SCARD_READERSTATEA state;
        ASSERT_EQ(SCARD_S_SUCCESS, Poll(Establish(), state, SCARD_STATE_UNAWARE, INFINITE));
        EXPECT_EQ(c.eventState, state.dwEventState);
        EXPECT_EQ(c.cbAtr, state.cbAtr);
    }
}

TEST_F(SimWinscardTest, StatusCarriesTheAtr)
{
    SCARD_READERSTATEA state;
    ASSERT_EQ(SCARD_S_SUCCESS, Poll(Establish(), state));
    EXPECT_EQ((std::vector<BYTE>{0x3B, 0x02, 0x14, 0x50}),
              std::vector<BYTE>(state.rgbAtr, state.rgbAtr + state.cbAtr));
}

TEST_F(SimWinscardTest, StatusOfAnUnknownReader)
{
    SCARD_READERSTATEA state;
    EXPECT_EQ(SCARD_E_UNKNOWN_READER, Poll(Establish(), state, 0, 0, "No Such Reader"));
}

TEST_F(SimWinscardTest, StatusInjectionForTheFirstCallsOnly)
{
    m_sim.UseScenario(Reader("card = absent\nstatus = 0x80100017 * 1\n"));
    const SCARDCONTEXT hContext = Establish();
    SCARD_READERSTATEA state;
    EXPECT_EQ(SCARD_E_READER_UNAVAILABLE, Poll(hContext, state));
    EXPECT_EQ(SCARD_S_SUCCESS, Poll(hContext, state));
}

TEST_F(SimWinscardTest, UnchangedStateTimesOut)
{
    const SCARDCONTEXT hContext = Establish();
    SCARD_READERSTATEA state;
    const DWORD start = GetTickCount();
    EXPECT_EQ(SCARD_E_TIMEOUT, Poll(hContext, state, SCARD_STATE_PRESENT | SCARD_STATE_CHANGED, 100));
    EXPECT_GE(GetTickCount() - start, 90u);
    EXPECT_EQ(static_cast<DWORD>(SCARD_STATE_PRESENT), state.dwEventState);
}

TEST_F(SimWinscardTest, WaitEndsWhenTheCardLeaves)
{
    const SCARDCONTEXT hContext = Establish();
    Delayed delayed{&m_sim, Reader("card = absent\n")};
    HANDLE thread = Later(delayed);
    SCARD_READERSTATEA state;
    EXPECT_EQ(SCARD_S_SUCCESS, Poll(hContext, state, SCARD_STATE_PRESENT, 5000));
    Join(thread);
    EXPECT_TRUE(delayed.replaced);  // while the wait kept reading the file
    EXPECT_EQ(static_cast<DWORD>(SCARD_STATE_EMPTY | SCARD_STATE_CHANGED), state.dwEventState);
}

TEST_F(SimWinscardTest, CancelEndsAWait)
{
    const SCARDCONTEXT hContext = Establish();
    Delayed delayed{&m_sim, "", hContext};
    HANDLE thread = Later(delayed);
    SCARD_READERSTATEA state;
    EXPECT_EQ(SCARD_E_CANCELLED, Poll(hContext, state, SCARD_STATE_PRESENT, INFINITE));
    Join(thread);
    // A cancel concerns only the calls outstanding at the time.
    EXPECT_EQ(SCARD_E_TIMEOUT, Poll(hContext, state, SCARD_STATE_PRESENT, 20));
}

TEST_F(SimWinscardTest, DelayHoldsTheAnswer)
{
    m_sim.UseScenario(Reader("card = absent\ndelay = 150\n"));
    const SCARDCONTEXT hContext = Establish();
    SCARD_READERSTATEA state;
    const DWORD start = GetTickCount();
    EXPECT_EQ(SCARD_S_SUCCESS, Poll(hContext, state));
    EXPECT_GE(GetTickCount() - start, 140u);
}

// A held answer ends at SCardCancel as a real wait does, so a reader that never answers can be
// stopped.
TEST_F(SimWinscardTest, CancelEndsADelay)
{
    m_sim.UseScenario(Reader("card = absent\n" + HeldQueryDelay()));
    const SCARDCONTEXT hContext = Establish();
    Delayed delayed{&m_sim, "", hContext};
    HANDLE thread = Later(delayed);
    SCARD_READERSTATEA state;
    const DWORD start = GetTickCount();
    EXPECT_EQ(SCARD_E_CANCELLED, Poll(hContext, state));
    EXPECT_LT(GetTickCount() - start, StopLimitMs());
    Join(thread);
}

TEST_F(SimWinscardTest, OpenConnectionShowsAsInUse)
{
    const SCARDCONTEXT hContext = Establish();
    const SCARDHANDLE hCard = Connect(hContext);
    SCARD_READERSTATEA state;
    ASSERT_EQ(SCARD_S_SUCCESS, Poll(hContext, state));
    EXPECT_EQ(static_cast<DWORD>(SCARD_STATE_PRESENT | SCARD_STATE_INUSE | SCARD_STATE_CHANGED),
              state.dwEventState);
    EXPECT_EQ(SCARD_S_SUCCESS, SCardDisconnect(hCard, SCARD_LEAVE_CARD));
    ASSERT_EQ(SCARD_S_SUCCESS, Poll(hContext, state));
    EXPECT_EQ(static_cast<DWORD>(SCARD_STATE_PRESENT | SCARD_STATE_CHANGED), state.dwEventState);
}

TEST_F(SimWinscardTest, ReleasedContextIsInvalid)
{
    const SCARDCONTEXT hContext = Establish();
    ASSERT_EQ(SCARD_S_SUCCESS, SCardReleaseContext(hContext));
    SCARD_READERSTATEA state;
    DWORD length = 0;
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, Poll(hContext, state));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardListReadersA(hContext, nullptr, nullptr, &length));
    Connect(hContext, SCARD_E_INVALID_HANDLE);
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardReleaseContext(hContext));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardCancel(hContext));
}

TEST_F(SimWinscardTest, ListReadersBuffers)
{
    m_sim.UseScenario("[reader A]\n[reader B]\n");
    const SCARDCONTEXT hContext = Establish();
    char small[4];
    DWORD length = sizeof small;
    EXPECT_EQ(SCARD_E_INSUFFICIENT_BUFFER, SCardListReadersA(hContext, nullptr, small, &length));
    EXPECT_EQ(5u, length);

    LPSTR list = nullptr;
    length = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCARD_S_SUCCESS,
              SCardListReadersA(hContext, nullptr, reinterpret_cast<LPSTR>(&list), &length));
    ASSERT_EQ(5u, length);
    EXPECT_EQ(std::string("A\0B\0\0", 5), std::string(list, length));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardFreeMemory(hContext, list));
}

TEST_F(SimWinscardTest, NoScenarioMeansNoReaders)
{
    SetEnvironmentVariableA("KARDOSKOP_SCENARIO", nullptr);
    DWORD length = 0;
    EXPECT_EQ(SCARD_E_NO_READERS_AVAILABLE, SCardListReadersA(Establish(), nullptr, nullptr, &length));
}

TEST_F(SimWinscardTest, BrokenScenarioIsAnInternalError)
{
    m_sim.UseScenario("[reader A]\ncard = sideways\n");
    SCARDCONTEXT hContext = 0;
    EXPECT_EQ(SCARD_F_INTERNAL_ERROR, SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext));
    EXPECT_EQ(1u, m_sim.JournalCount("scenario error: line 2"));
}

TEST_F(SimWinscardTest, ClockAttribute)
{
    struct Case {
        const char* name;
        std::string settings;
        DWORD attribute;
        LONG rv;
        DWORD khz;
    } const cases[] = {
        {"default clock", "", SCARD_ATTR_CURRENT_CLK, SCARD_S_SUCCESS, 4000},
        {"13.56 MHz", "clock = 13560\n", SCARD_ATTR_CURRENT_CLK, SCARD_S_SUCCESS, 13560},
        {"no clock", "clock = none\n", SCARD_ATTR_CURRENT_CLK, SCARD_E_UNSUPPORTED_FEATURE, 0},
        {"other attribute", "", SCARD_ATTR_VENDOR_NAME, SCARD_E_UNSUPPORTED_FEATURE, 0},
        {"injected failure", "attrib = 0x80100016\n", SCARD_ATTR_CURRENT_CLK,
         static_cast<LONG>(0x80100016), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(Reader("card = present\natr = 3B 02 14 50\n" + c.settings));
        const SCARDCONTEXT hContext = Establish();
        const SCARDHANDLE hCard = Connect(hContext);
        LPBYTE value = nullptr;
        DWORD length = SCARD_AUTOALLOCATE;
        EXPECT_EQ(c.rv, SCardGetAttrib(hCard, c.attribute, reinterpret_cast<LPBYTE>(&value), &length));
        if (c.rv == SCARD_S_SUCCESS) {
            ASSERT_EQ(4u, length);
            EXPECT_EQ(c.khz, static_cast<DWORD>(value[0] | value[1] << 8 | value[2] << 16 | value[3] << 24));
        } else {
            EXPECT_EQ(nullptr, value);
        }
        EXPECT_EQ(SCARD_S_SUCCESS, SCardFreeMemory(hContext, value));
        SCardDisconnect(hCard, SCARD_LEAVE_CARD);
    }
}

TEST_F(SimWinscardTest, AttributeBufferRules)
{
    const SCARDCONTEXT hContext = Establish();
    const SCARDHANDLE hCard = Connect(hContext);
    BYTE small[2];
    DWORD length = sizeof small;
    EXPECT_EQ(SCARD_E_INSUFFICIENT_BUFFER, SCardGetAttrib(hCard, SCARD_ATTR_CURRENT_CLK, small, &length));
    EXPECT_EQ(4u, length);

    LPBYTE value = nullptr;
    length = SCARD_AUTOALLOCATE;
    ASSERT_EQ(SCARD_S_SUCCESS,
              SCardGetAttrib(hCard, SCARD_ATTR_CURRENT_CLK, reinterpret_cast<LPBYTE>(&value), &length));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardFreeMemory(hContext, value));
    EXPECT_EQ(SCARD_E_INVALID_PARAMETER, SCardFreeMemory(hContext, value));  // freed twice
}

TEST_F(SimWinscardTest, ConnectRules)
{
    struct Case {
        const char* name;
        std::string settings;
        DWORD share;
        DWORD protocols;
        LONG rv;
        DWORD active;
    } const cases[] = {
        {"T=0 card", "card = present\natr = 3B 02 14 50\n", SCARD_SHARE_SHARED, 3, SCARD_S_SUCCESS, 1},
        {"T=1 card", "card = present\natr = 3B 80 01 01\n", SCARD_SHARE_SHARED, 3, SCARD_S_SUCCESS, 2},
        {"T=1 card asked for T=0", "card = present\natr = 3B 80 01 01\n", SCARD_SHARE_SHARED, 1,
         SCARD_E_PROTO_MISMATCH, 0},
        {"forced raw", "card = present\nprotocol = raw\n", SCARD_SHARE_SHARED, 3, SCARD_S_SUCCESS,
         SCARD_PROTOCOL_RAW},
        {"no card", "card = absent\n", SCARD_SHARE_SHARED, 3, SCARD_E_NO_SMARTCARD, 0},
        {"mute card", "card = mute\n", SCARD_SHARE_SHARED, 3, SCARD_W_UNRESPONSIVE_CARD, 0},
        {"unavailable reader", "card = unavailable\n", SCARD_SHARE_SHARED, 3,
         SCARD_E_READER_UNAVAILABLE, 0},
        {"held exclusively elsewhere", "card = present\nflags = 0x80\n", SCARD_SHARE_SHARED, 3,
         SCARD_E_SHARING_VIOLATION, 0},
        {"direct without a card", "card = absent\n", SCARD_SHARE_DIRECT, 0, SCARD_S_SUCCESS, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_sim.UseScenario(Reader(c.settings));
        SCARDHANDLE hCard = 0;
        DWORD active = 0xFFFF;
        EXPECT_EQ(c.rv, SCardConnectA(Establish(), kReader, c.share, c.protocols, &hCard, &active));
        if (c.rv == SCARD_S_SUCCESS) {
            EXPECT_EQ(c.active, active);
            EXPECT_EQ(SCARD_S_SUCCESS, SCardDisconnect(hCard, SCARD_LEAVE_CARD));
        }
    }
}

TEST_F(SimWinscardTest, TransmitRules)
{
    m_sim.UseScenario(Reader("card = present\natr = 3B 02 14 50\napdu = 00 B0 00 00 04 : 01 02 03 04 90 00\n"));
    const SCARDCONTEXT hContext = Establish();
    const SCARDHANDLE hCard = Connect(hContext);
    const BYTE read[] = {0x00, 0xB0, 0x00, 0x00, 0x04};
    const BYTE other[] = {0x00, 0xA4, 0x04, 0x00};
    BYTE response[16];
    DWORD length = sizeof response;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardTransmit(hCard, SCARD_PCI_T0, read, sizeof read, nullptr, response, &length));
    EXPECT_EQ(6u, length);
    length = sizeof response;
    ASSERT_EQ(SCARD_S_SUCCESS, SCardTransmit(hCard, SCARD_PCI_T0, other, sizeof other, nullptr, response, &length));
    EXPECT_EQ((std::vector<BYTE>{0x6D, 0x00}), std::vector<BYTE>(response, response + length));
    length = 5;
    EXPECT_EQ(SCARD_E_INSUFFICIENT_BUFFER,
              SCardTransmit(hCard, SCARD_PCI_T0, read, sizeof read, nullptr, response, &length));
    length = sizeof response;
    EXPECT_EQ(SCARD_E_PROTO_MISMATCH,
              SCardTransmit(hCard, SCARD_PCI_T1, read, sizeof read, nullptr, response, &length));

    ASSERT_TRUE(m_sim.ReplaceScenario(Reader("card = absent\n")));
    length = sizeof response;
    EXPECT_EQ(SCARD_W_REMOVED_CARD,
              SCardTransmit(hCard, SCARD_PCI_T0, read, sizeof read, nullptr, response, &length));
    EXPECT_EQ(SCARD_S_SUCCESS, SCardDisconnect(hCard, SCARD_LEAVE_CARD));
    EXPECT_EQ(SCARD_E_INVALID_HANDLE, SCardDisconnect(hCard, SCARD_LEAVE_CARD));
}

TEST_F(SimWinscardTest, InjectionCountsBelongToTheScenarioPath)
{
    const std::string scenario = Reader("card = present\natr = 3B 02 14 50\nconnect = 0x8010000B * 1\n");
    m_sim.UseScenario(scenario);
    const SCARDCONTEXT hContext = Establish();
    SCardDisconnect(Connect(hContext, SCARD_E_SHARING_VIOLATION), SCARD_LEAVE_CARD);
    SCardDisconnect(Connect(hContext), SCARD_LEAVE_CARD);
    ASSERT_TRUE(m_sim.ReplaceScenario(scenario));  // same path: the count goes on
    SCardDisconnect(Connect(hContext), SCARD_LEAVE_CARD);
    m_sim.UseScenario(scenario);  // a new path starts afresh
    SCardDisconnect(Connect(hContext, SCARD_E_SHARING_VIOLATION), SCARD_LEAVE_CARD);
}

TEST_F(SimWinscardTest, JournalLines)
{
    const SCARDCONTEXT hContext = Establish();
    m_sim.ClearJournal();
    SCardCancel(hContext);
    SCardDisconnect(Connect(hContext), SCARD_LEAVE_CARD);
    const std::vector<std::string> lines = m_sim.JournalLines();
    ASSERT_EQ(3u, lines.size());
    char expected[80];
    std::snprintf(expected, sizeof expected, "SCardCancel context=0x%08lX -> 0x00000000",
                  static_cast<unsigned long>(hContext));
    EXPECT_EQ(expected, lines[0]);
    EXPECT_EQ(0u, lines[1].find("SCardConnectA reader=\"Sim Reader 0\" share=2 protocols=0x3 card=0x"))
        << lines[1];
    EXPECT_NE(std::string::npos, lines[1].find(" active=0x1 -> 0x00000000")) << lines[1];
    EXPECT_NE(std::string::npos, lines[2].find(" reader=\"Sim Reader 0\" disposition=0 -> 0x00000000"))
        << lines[2];
}
