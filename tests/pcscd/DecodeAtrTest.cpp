// DecodeAtr reads the reader's clock through a connection of its own: the attribute as pcscd passes
// it from the reader driver decides the clock-dependent rows.
#include "pcsc/PcscAccess.h"

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
                             {"Talvek NoClock", "card = present\natr = 3B 02 14 50\nclock = none\n"}}))
        << pcscd.Error();
    SCARDCONTEXT hContext = 0;
    ASSERT_EQ(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &hContext), SCARD_S_SUCCESS);
    CPcscAccess pcsc;
    EXPECT_EQ(pcsc.ReadReaderAttribute(pcscd.ReaderNames()[0].c_str(), hContext, SCARD_ATTR_CURRENT_CLK), 3570u);
    EXPECT_EQ(pcsc.ReadReaderAttribute(pcscd.ReaderNames()[1].c_str(), hContext, SCARD_ATTR_CURRENT_CLK), 0u);
    EXPECT_EQ(pcsc.ReadReaderAttribute("Talvek Gone 00 00", hContext, SCARD_ATTR_CURRENT_CLK), 0u);
    SCardReleaseContext(hContext);
    EXPECT_TRUE(pcscd.Stop()) << pcscd.Error();
}

}  // namespace
