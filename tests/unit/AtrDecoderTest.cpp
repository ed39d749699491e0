#include "atr/AtrDecoder.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Rows = std::vector<std::string>;

// The German labels as Windows-1252 bytes.
const std::string kClock = "Taktfrequenz (MHz)";
const std::string kConvention = "Konvention";
const std::string kProtocol = "Protokoll";
const std::string kF = "(TA1) Teiler F";
const std::string kD = "(TA1) \xDC" "bertragungsfaktor D";
const std::string kRate = "(TA1) \xDC" "bertragungsrate (Bit/s)";
const std::string kEtu = "(TA1) Work etu (s/Bit)";
const std::string kVpp = "(TB1) VPP Versorgung";
const std::string kGuard = "(TC1) Zus\xE4tzliche Schutzzeit N";
const std::string kPts = "(TA2) PTS";
const std::string kPi2 = "(TB2) PI2 (1/10 V)";
const std::string kWait = "(TC2) Wartezeit";
const std::string kIfsc3 = "(TA3) IFSC (Byte)";
const std::string kCwt3 = "(TB3) CWT";
const std::string kBwt3 = "(TB3) BWT";
const std::string kTc3 = "TC3";
const std::string kIfsc4 = "(TA4) IFSC (Byte)";
const std::string kBwt4 = "(TB4) BWT";
const std::string kCwt4 = "(TB4) CWT";
const std::string kTc4 = "TC4";
const std::string kHistText = "Historical Characters (Text)";
const std::string kHistHex = "Historical Characters (Hex)";
const std::string kCardName = "Kartenname";
const std::string kStandard = "Verwendeter Standard";
const std::string kError = "Fehler";
const std::string kVppStandard = "5V, 50mA (Standard)";

// Every interface character present, TD1 to TD4 giving T=0, T=1, T=1, T=15, two historical bytes.
const Bytes kFullAtr = {0x3B, 0xF2,                    // TS, T0
                        0x11, 0x00, 0x02, 0xF0,        // TA1 TB1 TC1 TD1
                        0x81, 0x32, 0x05, 0xF1,        // TA2 TB2 TC2 TD2
                        0xFE, 0x45, 0x01, 0xF1,        // TA3 TB3 TC3 TD3
                        0x20, 0x45, 0x00, 0x0F,        // TA4 TB4 TC4 TD4
                        0x41, 0x42};                   // historical bytes

// A contactless storage card as PC/SC readers construct it.
const Bytes kMifareAtr = {0x3B, 0x8F, 0x80, 0x01, 0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00,
                          0x03, 0x06, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x6A};

// Decodes `atr` from an exactly sized AtrBlock, so ASan sees any read past it.
Rows Decode(const Bytes& atr, std::uint32_t clockKhz = 4000, bool contactless = false,
            const TextSource& text = LoadText)
{
    Bytes block;
    block.push_back(static_cast<unsigned char>(atr.size()));
    block.insert(block.end(), atr.begin(), atr.end());
    Rows rows;
    DecodeAtrRows(block.data(), clockKhz, contactless, text, rows);
    return rows;
}

Rows Properties(const Rows& rows)
{
    Rows properties;
    for (std::size_t i = 0; i < rows.size(); i += 2)
        properties.push_back(rows[i]);
    return properties;
}

// The values of every row with `property`, in order.
Rows ValuesOf(const Rows& rows, const std::string& property)
{
    Rows values;
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        if (rows[i] == property)
            values.push_back(rows[i + 1]);
    }
    return values;
}

// One value, or "absent" when there is no such row.
std::string ValueOf(const Rows& rows, const std::string& property)
{
    const Rows values = ValuesOf(rows, property);
    return values.empty() ? "absent" : values.front();
}

TEST(AtrDecoder, WorkedExample)
{
    const Rows expected = {
        kClock, "4",
        kConvention, "direkt",
        kProtocol, "T=1",
        kF, "372",
        kD, "1",
        kRate, "10753",
        kEtu, "9.300000e-005",
        kVpp, kVppStandard,
        kWait, "9600 work etu",
        kIfsc3, "254",
        kCwt3, "43 work etu",
        kBwt3, "1439.48 work etu",
        kHistText, "\x01\x02\x03\x04\x05\x06",
        kHistHex, "01 02 03 04 05 06",
    };
    EXPECT_EQ(Decode({0x3B, 0x96, 0x11, 0x81, 0x31, 0xFE, 0x45, 1, 2, 3, 4, 5, 6}), expected);
}

TEST(AtrDecoder, EveryInterfaceCharacterInOrder)
{
    const Rows expected = {
        kClock, "4",
        kConvention, "direkt",
        kProtocol, "T=0/1/15",
        kF, "372",
        kD, "1",
        kRate, "10753",
        kEtu, "9.300000e-005",
        kVpp, "nicht erforderlich",
        kGuard, "2 work etu",
        kPts, "Umschaltung negotiable mode/specific mode nicht m\xF6glich",
        kPts, "\xDC" "bertragungsparameter explizit definiert",
        kPts, "Verwenden: T=1",
        kPi2, "50",
        kWait, "4800 work etu",
        kIfsc3, "254",
        kCwt3, "43 work etu",
        kBwt3, "1439.48 work etu",
        kTc3, "CRC",
        kIfsc4, "32",
        kBwt4, "4",
        kCwt4, "5",
        kTc4, "LRC",
        kHistText, "AB",
        kHistHex, "41 42",
    };
    EXPECT_EQ(Decode(kFullAtr), expected);
}

TEST(AtrDecoder, ContactlessReaderShowsProtocolsHistoryAndCard)
{
    const Rows full = {kClock, "4", kConvention, "direkt", kProtocol, "T=0/1/15", kHistHex,
                       "41 42"};
    EXPECT_EQ(Decode(kFullAtr, 4000, true), full);

    const Rows mifare = {
        kClock, "4",
        kConvention, "direkt",
        kProtocol, "T=0/1",
        kHistHex, "80 4f 0c a0 00 00 03 06 03 00 01 00 00 00 00",
        kCardName, "Mifare Standard 1K",
        kStandard, "ISO 14443 A, part 3",
    };
    EXPECT_EQ(Decode(kMifareAtr, 4000, true), mifare);
}

TEST(AtrDecoder, ContactlessCardWithForeignHeaderGivesEmptyRows)
{
    Bytes atr = kMifareAtr;
    atr[4] = 0x31;  // H0
    const Rows rows = Decode(atr, 4000, true);
    EXPECT_EQ(ValuesOf(rows, kCardName), Rows{""});
    EXPECT_EQ(ValuesOf(rows, kStandard), Rows{""});
}

TEST(AtrDecoder, T0Of04EndsAfterTheConvention)
{
    struct Case {
        const char* name;
        Bytes atr;
        bool contactless;
    };
    const Case cases[] = {
        {"contact reader", {0x3B, 0x04, 0x41, 0x42, 0x43, 0x44}, false},
        {"contactless reader", {0x3B, 0x04, 0x41, 0x42, 0x43, 0x44}, true},
        {"no historical bytes given", {0x3B, 0x04}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Decode(c.atr, 4000, c.contactless), (Rows{kClock, "4", kConvention, "direkt"}));
    }
    // Only exactly 0x04: one more interface character and decoding goes on.
    EXPECT_EQ(Decode({0x3B, 0x14, 0x11, 0x41, 0x42, 0x43, 0x44}).size(), 20u);
}

TEST(AtrDecoder, ConventionFromTs)
{
    struct Case {
        unsigned char ts;
        const char* expected;
    };
    const Case cases[] = {{0x3B, "direkt"}, {0x3F, "invertiert"}, {0x3C, "Fehler"},
                          {0x00, "Fehler"}, {0x03, "Fehler"}, {0xFF, "Fehler"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.ts));
        const Rows rows = Decode({c.ts, 0x00});
        EXPECT_EQ(ValueOf(rows, kConvention), c.expected);
        // Decoding goes on with the same layout.
        EXPECT_EQ(Properties(rows), (Rows{kClock, kConvention, kVpp, kHistText, kHistHex}));
    }
}

TEST(AtrDecoder, ClockRows)
{
    struct Case {
        const char* name;
        std::uint32_t khz;
        const char* clock;
        const char* rate;
        const char* bwt;
    };
    const Case cases[] = {
        {"4 MHz", 4000, "4", "10753", "1439.48 work etu"},
        {"3570 kHz counts as 3 MHz", 3570, "3", "8065", "1915.64 work etu"},
        {"999 kHz counts as 0", 999, "Fehler", "absent", "Fehler"},
        {"no clock from the reader", 0, "Fehler", "absent", "Fehler"},
        {"1 MHz", 1000, "1", "2688", "5724.92 work etu"},
        {"largest clock", 4294967295u, "4294967", "11545610240", "11.00 work etu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // TA1 0x11; TD1 and TD2 give T=1, TD2 announces TB3 0x45.
        const Rows rows = Decode({0x3B, 0x90, 0x11, 0x81, 0x21, 0x45}, c.khz);
        EXPECT_EQ(ValueOf(rows, kClock), c.clock);
        EXPECT_EQ(ValueOf(rows, kRate), c.rate);
        EXPECT_EQ(ValueOf(rows, kEtu) == "absent", std::string(c.rate) == "absent");
        EXPECT_EQ(ValueOf(rows, kBwt3), c.bwt);
    }
}

TEST(AtrDecoder, Ta1Rows)
{
    struct Case {
        const char* name;
        unsigned char ta1;
        std::uint32_t khz;
        const char* f;
        const char* d;
        const char* rate;
        const char* etu;
        const char* wait;
    };
    const Case cases[] = {
        {"F 372, D 1", 0x11, 4000, "372", "1", "10753", "9.300000e-005", "9600 work etu"},
        {"FI 0 is 372 too", 0x01, 4000, "372", "1", "10753", "9.300000e-005", "9600 work etu"},
        {"F undefined (FI 7)", 0x71, 4000, "0", "1", "absent", "absent", "9600 work etu"},
        {"F undefined (FI 8)", 0x81, 4000, "0", "1", "absent", "absent", "9600 work etu"},
        {"F undefined (FI F)", 0xF1, 4000, "0", "1", "absent", "absent", "9600 work etu"},
        {"D undefined (DI A)", 0x1A, 4000, "372", "0", "absent", "absent", "absent"},
        {"D undefined (DI 0)", 0x10, 4000, "372", "0", "absent", "absent", "absent"},
        {"F 512, D 32", 0x96, 4000, "512", "32", "250000", "4.000000e-006", "307200 work etu"},
        {"D 12", 0x18, 4000, "372", "12", "129032", "7.750000e-006", "115200 work etu"},
        {"D 20, F 2048: an exact half", 0xD9, 4000, "2048", "20", "39062", "2.560000e-005", "192000 work etu"},
        {"D 64 at 25 MHz", 0x17, 25000, "372", "64", "4301076", "2.325000e-007",
         "614400 work etu"},
        {"exact half rounds to even", 0x93, 1000, "512", "4", "7812", "1.280000e-004",
         "38400 work etu"},
        {"no clock: F and D only", 0x11, 0, "372", "1", "absent", "absent", "9600 work etu"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rows rows = Decode({0x3B, 0x10, c.ta1}, c.khz);
        EXPECT_EQ(ValueOf(rows, kF), c.f);
        EXPECT_EQ(ValueOf(rows, kD), c.d);
        EXPECT_EQ(ValueOf(rows, kRate), c.rate);
        EXPECT_EQ(ValueOf(rows, kEtu), c.etu);
        EXPECT_EQ(ValueOf(rows, kWait), c.wait);
    }
}

// Every nibble of TA1 through both tables: FI in the high nibble with DI 1, DI in the low nibble
// with FI 1. An undefined value shows as 0.
TEST(AtrDecoder, ClockRateAndBaudRateTablesForEveryNibble)
{
    const struct {
        const char* name;
        unsigned nibble;
        const char* f;
        const char* d;
    } cases[] = {
        {"0x0", 0x0, "372", "0"},  {"0x1", 0x1, "372", "1"},   {"0x2", 0x2, "558", "2"},
        {"0x3", 0x3, "744", "4"},  {"0x4", 0x4, "1116", "8"},  {"0x5", 0x5, "1488", "16"},
        {"0x6", 0x6, "1860", "32"}, {"0x7", 0x7, "0", "64"},   {"0x8", 0x8, "0", "12"},
        {"0x9", 0x9, "512", "20"}, {"0xA", 0xA, "768", "0"},   {"0xB", 0xB, "1024", "0"},
        {"0xC", 0xC, "1536", "0"}, {"0xD", 0xD, "2048", "0"},  {"0xE", 0xE, "0", "0"},
        {"0xF", 0xF, "0", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fi = static_cast<unsigned char>(c.nibble << 4 | 0x1);
        EXPECT_EQ(ValueOf(Decode({0x3B, 0x10, fi}), kF), c.f);
        const auto di = static_cast<unsigned char>(0x10 | c.nibble);
        EXPECT_EQ(ValueOf(Decode({0x3B, 0x10, di}), kD), c.d);
    }
}

TEST(AtrDecoder, WithoutTa1NoRateAndNoWaitRows)
{
    // TC2 present, but no D to work with.
    const Rows rows = Decode({0x3B, 0x80, 0x41, 0x05});
    EXPECT_EQ(Properties(rows), (Rows{kClock, kConvention, kProtocol, kVpp, kHistText, kHistHex}));
}

TEST(AtrDecoder, Tb1Rows)
{
    struct Case {
        const char* name;
        Bytes atr;
        Rows expected;
    };
    const Case cases[] = {
        {"absent", {0x3B, 0x00}, {kVppStandard}},
        {"0x00", {0x3B, 0x20, 0x00}, {"nicht erforderlich"}},
        {"0x25", {0x3B, 0x20, 0x25}, {}},
        {"0x80", {0x3B, 0x20, 0x80}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValuesOf(Decode(c.atr), kVpp), c.expected);
    }
}

TEST(AtrDecoder, Tc1Rows)
{
    struct Case {
        unsigned char tc1;
        const char* expected;
    };
    const Case cases[] = {{0xFF, "0 work etu"}, {0x02, "2 work etu"}, {0x00, "0 work etu"},
                          {0xFE, "254 work etu"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.tc1));
        EXPECT_EQ(ValueOf(Decode({0x3B, 0x40, c.tc1}), kGuard), c.expected);
    }
    EXPECT_EQ(ValueOf(Decode({0x3B, 0x00}), kGuard), "absent");
}

TEST(AtrDecoder, ProtocolRow)
{
    struct Case {
        const char* name;
        Bytes atr;
        const char* expected;
    };
    const Case cases[] = {
        {"TD1 T=0, TD2 T=1", {0x3B, 0x80, 0x80, 0x01}, "T=0/1"},
        {"T=1 twice", {0x3B, 0x80, 0x81, 0x81, 0x1F, 0x00}, "T=1/15"},
        {"TD1 only", {0x3B, 0x80, 0x01}, "T=1"},
        {"repeats removed, first kept", {0x3B, 0x80, 0x8F, 0x81, 0x8F, 0x01}, "T=15/1"},
        {"four levels", {0x3B, 0x80, 0x80, 0x81, 0x8E, 0x0F}, "T=0/1/14/15"},
        {"no TD1, no row", {0x3B, 0x10, 0x11}, "absent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValueOf(Decode(c.atr), kProtocol), c.expected);
    }
}

TEST(AtrDecoder, Ta2Rows)
{
    struct Case {
        unsigned char ta2;
        Rows expected;
    };
    const std::string possible = "Umschaltung negotiable mode/specific mode m\xF6glich";
    const std::string impossible = "Umschaltung negotiable mode/specific mode nicht m\xF6glich";
    const std::string explicitly = "\xDC" "bertragungsparameter explizit definiert";
    const std::string implicitly = "\xDC" "bertragungsparameter implizit definiert";
    const Case cases[] = {
        {0x01, {possible, explicitly, "Verwenden: T=1"}},
        {0x80, {impossible, explicitly, "Verwenden: T=0"}},
        {0x1F, {possible, implicitly, "Verwenden: T=15"}},
        {0x6E, {possible, explicitly, "Verwenden: T=14"}},
        {0x90, {impossible, implicitly, "Verwenden: T=0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.ta2));
        EXPECT_EQ(ValuesOf(Decode({0x3B, 0x80, 0x10, c.ta2}), kPts), c.expected);
    }
}

TEST(AtrDecoder, Tc2WaitingTime)
{
    struct Case {
        const char* name;
        Bytes atr;
        const char* expected;
    };
    const Case cases[] = {
        {"no TC2, D 1", {0x3B, 0x10, 0x11}, "9600 work etu"},
        {"TC2 0x00 counts as 10, D 2", {0x3B, 0x90, 0x12, 0x40, 0x00}, "19200 work etu"},
        {"TC2 5, D 1", {0x3B, 0x90, 0x11, 0x40, 0x05}, "4800 work etu"},
        {"TC2 255, D 64", {0x3B, 0x90, 0x17, 0x40, 0xFF}, "15667200 work etu"},
        {"TC2 present, D 0", {0x3B, 0x90, 0x1A, 0x40, 0x05}, "absent"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValueOf(Decode(c.atr), kWait), c.expected);
    }
}

TEST(AtrDecoder, Tb3CharacterAndBlockWaitingTimes)
{
    struct Case {
        const char* name;
        unsigned char tb3;
        std::uint32_t khz;
        const char* cwt;
        const char* bwt;
    };
    const Case cases[] = {
        {"CWI 5, BWI 4 at 4 MHz", 0x45, 4000, "43 work etu", "1439.48 work etu"},
        {"CWI 0, BWI 0", 0x00, 4000, "12 work etu", "100.28 work etu"},
        {"CWI 15, BWI 15", 0xFF, 4000, "32779 work etu", "2925538.04 work etu"},
        {"exact half at 256 MHz rounds to even", 0x00, 256000, "12 work etu", "12.40 work etu"},
        {"no clock", 0x45, 0, "43 work etu", "Fehler"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // TD1 T=1, TD2 announcing TB3.
        const Rows rows = Decode({0x3B, 0x80, 0x81, 0x21, c.tb3}, c.khz);
        EXPECT_EQ(ValuesOf(rows, kCwt3), Rows{c.cwt});
        EXPECT_EQ(ValuesOf(rows, kBwt3), Rows{c.bwt});
    }
}

TEST(AtrDecoder, ThirdAndFourthLevelRows)
{
    struct Case {
        const char* name;
        Bytes atr;
        const std::string* property;
        const char* expected;
    };
    // TD1 and TD2 announce the third level, TD3 the fourth.
    const Case cases[] = {
        {"TB2", {0x3B, 0x80, 0xA1, 0x77}, &kPi2, "119"},
        {"TA3", {0x3B, 0x80, 0x81, 0x11, 0x20}, &kIfsc3, "32"},
        {"TC3 bit 1 clear", {0x3B, 0x80, 0x81, 0x41, 0xFE}, &kTc3, "LRC"},
        {"TC3 bit 1 set", {0x3B, 0x80, 0x81, 0x41, 0x01}, &kTc3, "CRC"},
        {"TA4", {0x3B, 0x80, 0x81, 0x81, 0x11, 0xFE}, &kIfsc4, "254"},
        {"TB4 high nibble is the BWT index", {0x3B, 0x80, 0x81, 0x81, 0x21, 0x4A}, &kBwt4, "4"},
        {"TB4 low nibble is the CWT index", {0x3B, 0x80, 0x81, 0x81, 0x21, 0x4A}, &kCwt4, "10"},
        {"TC4 bit 1 set", {0x3B, 0x80, 0x81, 0x81, 0x41, 0x03}, &kTc4, "CRC"},
        {"TC4 bit 1 clear", {0x3B, 0x80, 0x81, 0x81, 0x41, 0x02}, &kTc4, "LRC"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ValuesOf(Decode(c.atr), *c.property), Rows{c.expected});
    }
}

TEST(AtrDecoder, ContactlessReaderSkipsInterfaceRows)
{
    const Rows rows = Decode(kFullAtr, 4000, true);
    for (const std::string& property :
         {kF, kD, kRate, kEtu, kVpp, kGuard, kPts, kPi2, kWait, kIfsc3, kCwt3, kBwt3, kTc3,
          kIfsc4, kBwt4, kCwt4, kTc4, kHistText}) {
        SCOPED_TRACE(property);
        EXPECT_EQ(ValueOf(rows, property), "absent");
    }
}

TEST(AtrDecoder, HistoricalBytes)
{
    struct Case {
        const char* name;
        Bytes atr;
        const char* text;
        const char* hex;
    };
    const Case cases[] = {
        {"none", {0x3B, 0x00}, "", ""},
        {"zero in the middle is a blank", {0x3B, 0x03, 'A', 0x00, 'B'}, "A B", "41 00 42"},
        {"zero at the end ends the text", {0x3B, 0x03, 'A', 'B', 0x00}, "AB", "41 42 00"},
        {"only zeros", {0x3B, 0x03, 0x00, 0x00, 0x00}, "  ", "00 00 00"},
        {"bytes above 0x7F unchanged", {0x3B, 0x02, 0xC4, 0x80}, "\xC4\x80", "c4 80"},
        {"the check byte of a T=1 card stays out", {0x3B, 0x83, 0x81, 0x01, 'A', 'B', 'C', 0x43},
         "ABC", "41 42 43"},
        {"fifteen bytes after the interface characters",
         {0x3B, 0x8F, 0x80, 0x01, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm',
          'n', 'o'},
         "abcdefghijklmno", "61 62 63 64 65 66 67 68 69 6a 6b 6c 6d 6e 6f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Rows rows = Decode(c.atr);
        EXPECT_EQ(ValuesOf(rows, kHistText), Rows{c.text});
        EXPECT_EQ(ValuesOf(rows, kHistHex), Rows{c.hex});
    }
}

TEST(AtrDecoder, Td4AnnouncesNothing)
{
    // TD4 0xF1 would announce a fifth level; the historical bytes follow it at once.
    const Rows rows = Decode({0x3B, 0x82, 0x81, 0x81, 0x81, 0xF1, 0x41, 0x42});
    EXPECT_EQ(ValueOf(rows, kHistHex), "41 42");
    EXPECT_EQ(ValueOf(rows, kProtocol), "T=1");
    EXPECT_EQ(ValueOf(rows, kIfsc4), "absent");
}

TEST(AtrDecoder, AnnouncedBytesBeyondTheAtrReadAsZero)
{
    // TA1, TB1, TC1 and TD1 announced, two historical bytes, but only TS and T0 given; and
    // whatever the block holds past the length must not count.
    Bytes block = {0x02, 0x3B, 0xF2, 0x11, 0x25, 0x03, 0x91, 0x41, 0x42};
    Rows fromBlock;
    DecodeAtrRows(block.data(), 4000, false, LoadText, fromBlock);
    const Rows expected = {
        kClock, "4", kConvention, "direkt", kProtocol, "T=0",
        kF, "372", kD, "0",
        kVpp, "nicht erforderlich",
        kGuard, "0 work etu",
        kHistText, " ", kHistHex, "00 00",
    };
    EXPECT_EQ(fromBlock, expected);
}

TEST(AtrDecoder, LengthAbove36ReadsOnly36Bytes)
{
    for (const unsigned length : {36u, 37u, 200u, 255u}) {
        SCOPED_TRACE(length);
        // Exactly the length byte and 36 ATR bytes: ASan reports a read past them.
        Bytes block(37, 0x00);
        block[0] = static_cast<unsigned char>(length);
        block[1] = 0x3B;
        block[2] = 0xFF;  // everything announced, 15 historical bytes
        for (std::size_t i = 3; i < block.size(); ++i)
            block[i] = 0xF1;
        block[18] = 0x01;  // TD4
        Rows rows;
        DecodeAtrRows(block.data(), 4000, false, LoadText, rows);
        EXPECT_EQ(ValueOf(rows, kHistHex), "f1 f1 f1 f1 f1 f1 f1 f1 f1 f1 f1 f1 f1 f1 f1");
    }
}

TEST(AtrDecoder, ReplacesWhatTheListHeld)
{
    Rows rows = {"old", "rows", "here"};
    const Bytes block = {0x02, 0x3B, 0x04};
    DecodeAtrRows(block.data(), 4000, false, LoadText, rows);
    EXPECT_EQ(rows, (Rows{kClock, "4", kConvention, "direkt"}));
}

TEST(AtrDecoder, TextsComeFromTheTextSource)
{
    const TextSource marker = [](unsigned id) { return "<" + std::to_string(id) + ">"; };
    const Rows rows = Decode({0x3B, 0xF2, 0x11, 0x00, 0x02, 0xF0, 0x81, 0x32, 0x05, 0xF1, 0xFE,
                              0x45, 0x01, 0xF1, 0x20, 0x45, 0x00, 0x0F, 0x41, 0x42},
                             0, false, marker);
    const Rows expected = {
        "<115>", "<106>", "<116>", "<117>", "<119>", "T=0/1/15",
        "<120>", "372", "<121>", "1",
        "<124>", "<125>", "<127>", "2 work etu",
        "<128>", "<130>", "<128>", "<131>", "<128>", "<133>1",
        "<134>", "50", "<135>", "4800 work etu", "<136>", "254",
        "<138>", "43 work etu", "<139>", "<106>",
        "<140>", "CRC", "<141>", "32", "<143>", "4", "<144>", "5", "<145>", "LRC",
        "<146>", "AB", "<147>", "41 42",
    };
    EXPECT_EQ(rows, expected);

    const Rows contactless = Decode(kMifareAtr, 4000, true, marker);
    EXPECT_EQ(Properties(contactless),
              (Rows{"<115>", "<116>", "<119>", "<147>", "<171>", "<170>"}));
    EXPECT_EQ(ValueOf(contactless, "<116>"), "<117>");

    Bytes inverse = kMifareAtr;
    inverse[0] = 0x3F;
    inverse[12] = 0x00;  // SS 0x00: the standard is a string-table text too
    const Rows inverseRows = Decode(inverse, 4000, true, marker);
    EXPECT_EQ(ValueOf(inverseRows, "<116>"), "<118>");
    EXPECT_EQ(ValueOf(inverseRows, "<170>"), "<105>");
}

TEST(AtrDecoder, MissingTextsLeaveEmptyLabels)
{
    const TextSource none = [](unsigned) { return std::string(); };
    const Rows rows = Decode(kFullAtr, 4000, false, none);
    ASSERT_EQ(rows.size(), Decode(kFullAtr).size());
    for (std::size_t i = 0; i < rows.size(); i += 2)
        EXPECT_EQ(rows[i], "") << "row " << i / 2;
    EXPECT_EQ(rows[3], "");  // "direkt" is a text as well
}

}  // namespace
