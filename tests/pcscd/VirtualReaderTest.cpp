// The test bed itself: what pcscd makes of the virtual reader's state files.

#include "PcscdHarness.h"

#include <PCSC/reader.h>
#include <PCSC/winscard.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using pcscdtest::PcscdHarness;
using pcscdtest::ReaderStatus;
using Bytes = std::vector<std::uint8_t>;

constexpr LONG kUnsupportedFeature = static_cast<LONG>(0x8010001F);

class VirtualReaderTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (m_hContext != 0)
            SCardReleaseContext(m_hContext);
        EXPECT_TRUE(m_pcscd.Stop()) << m_pcscd.Error();
    }

    void Establish()
    {
        ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &m_hContext),
                  SCARD_S_SUCCESS);
    }

    // SCardGetAttrib of the current clock through a shared connection.
    LONG ReadClock(std::size_t reader, Bytes& value)
    {
        SCARDHANDLE hCard = 0;
        DWORD protocol = 0;
        LONG rv = SCardConnect(m_hContext, m_pcscd.ReaderNames()[reader].c_str(), SCARD_SHARE_SHARED,
                               SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &hCard, &protocol);
        if (rv != SCARD_S_SUCCESS)
            return rv;
        unsigned char* buffer = nullptr;
        DWORD length = SCARD_AUTOALLOCATE;
        rv = SCardGetAttrib(hCard, SCARD_ATTR_CURRENT_CLK, reinterpret_cast<unsigned char*>(&buffer),
                            &length);
        if (rv == SCARD_S_SUCCESS)
            value.assign(buffer, buffer + length);
        // pcsc-lite allocates the buffer also when the call fails.
        if (buffer != nullptr)
            SCardFreeMemory(m_hContext, buffer);
        SCardDisconnect(hCard, SCARD_LEAVE_CARD);
        return rv;
    }

    PcscdHarness m_pcscd;
    SCARDCONTEXT m_hContext = 0;
};

const char kAtr[] = "3B 02 14 50";

TEST_F(VirtualReaderTest, ClockAttribute)
{
    ASSERT_TRUE(m_pcscd.Start({{"Clock default", std::string("card = present\natr = ") + kAtr},
                               {"Clock 3570", std::string("card = present\natr = ") + kAtr +
                                                  "\nclock = 3570"},
                               {"Clock none", std::string("card = present\natr = ") + kAtr +
                                                  "\nclock = none"}}))
        << m_pcscd.Error();
    Establish();

    Bytes value;
    EXPECT_EQ(ReadClock(0, value), SCARD_S_SUCCESS);
    EXPECT_EQ(value, (Bytes{0xA0, 0x0F, 0x00, 0x00}));  // 4000 kHz
    EXPECT_EQ(ReadClock(1, value), SCARD_S_SUCCESS);
    EXPECT_EQ(value, (Bytes{0xF2, 0x0D, 0x00, 0x00}));  // 3570 kHz
    EXPECT_EQ(ReadClock(2, value), kUnsupportedFeature);
}

TEST_F(VirtualReaderTest, LongAtrClampedTo33Bytes)
{
    std::string atr = "3B 8F 80 01";
    for (int i = 0; i < 32; ++i)
        atr += " 5A";
    ASSERT_TRUE(m_pcscd.Start({{"Long ATR", "card = present\natr = " + atr}})) << m_pcscd.Error();

    Bytes expected = {0x3B, 0x8F, 0x80, 0x01};
    expected.resize(33, 0x5A);
    EXPECT_TRUE(m_pcscd.WaitForCard(0, expected)) << m_pcscd.Error();
}

TEST_F(VirtualReaderTest, MuteCardIsPresentAndMute)
{
    ASSERT_TRUE(m_pcscd.Start({{"Mute", std::string("card = mute\natr = ") + kAtr}}))
        << m_pcscd.Error();
    EXPECT_TRUE(m_pcscd.WaitFor(0, [](const ReaderStatus& st) {
        return (st.eventState & (SCARD_STATE_PRESENT | SCARD_STATE_MUTE)) ==
               (SCARD_STATE_PRESENT | SCARD_STATE_MUTE);
    })) << m_pcscd.Error();
}

TEST_F(VirtualReaderTest, UnavailableReaderComesBack)
{
    // Start waits for SCARD_STATE_UNAVAILABLE.
    ASSERT_TRUE(m_pcscd.Start({{"Flaky", "card = unavailable"}})) << m_pcscd.Error();

    ASSERT_TRUE(m_pcscd.SetState(0, std::string("card = present\natr = ") + kAtr));
    EXPECT_TRUE(m_pcscd.WaitForCard(0, {0x3B, 0x02, 0x14, 0x50})) << m_pcscd.Error();
}

TEST_F(VirtualReaderTest, ReadersChangeIndependently)
{
    ASSERT_TRUE(m_pcscd.Start({{"First", "card = absent"}, {"Second", "card = absent"}}))
        << m_pcscd.Error();

    ASSERT_TRUE(m_pcscd.SetState(1, std::string("card = present\natr = ") + kAtr));
    ASSERT_TRUE(m_pcscd.WaitForCard(1, {0x3B, 0x02, 0x14, 0x50})) << m_pcscd.Error();
    EXPECT_TRUE(m_pcscd.WaitForEmpty(0)) << m_pcscd.Error();

    ASSERT_TRUE(m_pcscd.SetState(1, "card = absent"));
    EXPECT_TRUE(m_pcscd.WaitForEmpty(1)) << m_pcscd.Error();
}

}  // namespace
