// DecodeAtr reads the reader's clock through a connection of its own: the attribute as pcscd passes
// it from the reader driver decides the clock-dependent rows.
#include "pcsc/PcscAccess.h"

#include "pcsc/AttributeWord.h"

#include "PcscdHarness.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using pcscdtest::PcscdHarness;

const unsigned char kAtrBlock[37] = {13, 0x3B, 0x96, 0x11, 0x81, 0x31, 0xFE, 0x45,
                                     0x01, 0x02, 0x03, 0x04, 0x05, 0x06};

std::string ValueOf(const std::vector<std::string>& rows, const std::string& property)
{
    for (size_t i = 0; i + 1 < rows.size(); i += 2)
        if (rows[i] == property)
            return rows[i + 1];
    return "<missing>";
}

bool Has(const std::vector<std::string>& rows, const std::string& property)
{
    return ValueOf(rows, property) != "<missing>";
}

TEST(DecodeAtr, ClockAttributeOfTheReader)
{
    const struct {
        const char* name;
        const char* clock;
        const char* mhz;
        bool rateRows;
        const char* bwt;
    } cases[] = {
        {"4000 kHz", "4000", "4", true, "1439.48 work etu"},
        {"999 kHz is below one MHz", "999", "Fehler", false, "Fehler"},
        {"attribute unsupported", "none", "Fehler", false, "Fehler"},
    };
    std::vector<pcscdtest::VirtualReader> readers;
    for (const auto& c : cases)
        readers.push_back({std::string("Talvek CCR ") + c.clock,
                           std::string("card = present\natr = 3B 96 11 81 31 FE 45 01 02 03 04 05 06\nclock = ") +
                               c.clock + "\n"});
    readers.push_back({"Talvek Empty", "card = absent\n"});
    PcscdHarness pcscd;
    ASSERT_TRUE(pcscd.Start(readers)) << pcscd.Error();
    SCARDCONTEXT hContext = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext), SCARD_S_SUCCESS);

    CPcscAccess pcsc;
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        std::vector<std::string> rows = {"left over"};
        pcsc.DecodeAtr(hContext, pcscd.ReaderNames()[i].c_str(), false, kAtrBlock, rows);
        ASSERT_EQ(rows.size() % 2, 0u);
        EXPECT_EQ(rows[0], "Taktfrequenz (MHz)");
        EXPECT_EQ(ValueOf(rows, "Taktfrequenz (MHz)"), cases[i].mhz);
        EXPECT_EQ(Has(rows, "(TA1) \xDC" "bertragungsrate (Bit/s)"), cases[i].rateRows);
        EXPECT_EQ(Has(rows, "(TA1) Work etu (s/Bit)"), cases[i].rateRows);
        EXPECT_EQ(ValueOf(rows, "(TB3) BWT"), cases[i].bwt);
        EXPECT_EQ(ValueOf(rows, "(TA1) Teiler F"), "372");
    }

    // No card to connect to: the clock counts as 0, the rest is decoded as usual.
    std::vector<std::string> rows;
    pcsc.DecodeAtr(hContext, pcscd.ReaderNames()[3].c_str(), false, kAtrBlock, rows);
    EXPECT_EQ(ValueOf(rows, "Taktfrequenz (MHz)"), "Fehler");
    EXPECT_EQ(ValueOf(rows, "Protokoll"), "T=1");

    SCardReleaseContext(hContext);
    EXPECT_TRUE(pcscd.Stop()) << pcscd.Error();
}

TEST(DecodeAtr, ReadReaderAttributeGivesZeroOnEveryFailure)
{
    PcscdHarness pcscd;
    ASSERT_TRUE(pcscd.Start({{"Talvek Clock", "card = present\natr = 3B 02 14 50\nclock = 3570\n"},
                             {"Talvek NoClock", "card = present\natr = 3B 02 14 50\nclock = none\n"},
                             {"Talvek Empty", "card = absent\n"},
                             {"Talvek Mute", "card = mute\n"}}))
        << pcscd.Error();
    SCARDCONTEXT hContext = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext), SCARD_S_SUCCESS);
    SCARDCONTEXT released = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &released), SCARD_S_SUCCESS);
    SCardReleaseContext(released);
    CPcscAccess pcsc;
    const std::vector<std::string>& names = pcscd.ReaderNames();
    EXPECT_EQ(pcsc.ReadReaderAttribute(names[0].c_str(), hContext, SCARD_ATTR_CURRENT_CLK), 3570u);
    const struct {
        const char* name;
        std::string reader;
        SCARDCONTEXT context;
    } failures[] = {
        {"attribute not supported", names[1], hContext},
        {"no card: the connection fails", names[2], hContext},
        {"mute card: the connection fails", names[3], hContext},
        {"reader gone", "Talvek Gone 00 00", hContext},
        {"context released", names[0], released},
    };
    for (const auto& c : failures) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(pcsc.ReadReaderAttribute(c.reader.c_str(), c.context, SCARD_ATTR_CURRENT_CLK), 0u);
    }
    SCardReleaseContext(hContext);
    EXPECT_TRUE(pcscd.Stop()) << pcscd.Error();
}

// Both ways of asking for the clock against the real pcsc-lite. Wine's winscard passes the 32-bit
// SCARD_AUTOALLOCATE (0xFFFFFFFF) on to pcsc-lite as a plain length; the stand-in below does the
// same to the first ask, so pcsc-lite itself refuses it, and the second ask reaches the daemon.
TEST(DecodeAtr, ClockReadWithAutoallocateAndAfterARefusalWithAnOwnBuffer)
{
    PcscdHarness pcscd;
    ASSERT_TRUE(pcscd.Start({{"Talvek Clock", "card = present\natr = 3B 02 14 50\nclock = 4000\n"}}))
        << pcscd.Error();
    SCARDCONTEXT hContext = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext), SCARD_S_SUCCESS);
    const char* reader = pcscd.ReaderNames()[0].c_str();
    EXPECT_EQ(CPcscAccess().ReadReaderAttribute(reader, hContext, SCARD_ATTR_CURRENT_CLK), 4000u);

    SCARDHANDLE hCard = 0;
    DWORD dwActiveProtocol = 0;
    ASSERT_EQ(SCardConnect(hContext, reader, SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1,
                           &hCard, &dwActiveProtocol),
              SCARD_S_SUCCESS);
    const FreeMemoryCall freeMemory = [hContext](LPBYTE memory) { SCardFreeMemory(hContext, memory); };
    const struct {
        const char* name;
        bool passAutoallocateAsLength;
        std::vector<LONG> answers;
    } cases[] = {
        {"autoallocate", false, {SCARD_S_SUCCESS}},
        {"autoallocate refused, own buffer", true, {SCARD_E_INSUFFICIENT_BUFFER, SCARD_S_SUCCESS}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<LONG> answers;
        const GetAttribCall getAttrib = [&](LPBYTE pbAttr, LPDWORD pcbAttrLen) {
            DWORD length = *pcbAttrLen;
            if (c.passAutoallocateAsLength && length == SCARD_AUTOALLOCATE)
                length = 0xFFFFFFFF;
            const LONG rv = SCardGetAttrib(hCard, SCARD_ATTR_CURRENT_CLK, pbAttr, &length);
            *pcbAttrLen = length;
            answers.push_back(rv);
            return rv;
        };
        EXPECT_EQ(ReadAttributeWord(getAttrib, freeMemory), 4000u);
        EXPECT_EQ(answers, c.answers);
    }
    SCardDisconnect(hCard, SCARD_LEAVE_CARD);
    SCardReleaseContext(hContext);
    EXPECT_TRUE(pcscd.Stop()) << pcscd.Error();
}

}  // namespace
