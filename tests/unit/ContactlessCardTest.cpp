#include "atr/ContactlessCard.h"
#include "pcsc/PcscAccess.h"
#include "win/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// 80 4F 0C A0 00 00 03 06, then SS, NN and four reserved bytes (K = 15).
Bytes Historical(unsigned char ss, unsigned char nnHigh, unsigned char nnLow)
{
    return {0x80, 0x4F, 0x0C, 0xA0, 0x00, 0x00, 0x03, 0x06, ss, nnHigh, nnLow, 0x00, 0x00,
            0x00, 0x00};
}

// The text in a caller's buffer up to its first NUL.
std::string BufferText(const char* buffer, std::size_t size)
{
    const void* end = std::memchr(buffer, '\0', size);
    return end ? std::string(buffer, static_cast<const char*>(end)) : "(no terminator)";
}

struct IdentifyCase {
    const char* name;
    Bytes historical;
    bool result;
    std::string standard;
    std::string cardName;
};

TEST(ContactlessCard, IdentifiesStandardAndCardName)
{
    const std::string notAvailable = "nicht verf\xFC" "gbar";
    Bytes k11 = Historical(0x0B, 0x00, 0x26);
    k11.resize(11);
    Bytes badCategory = Historical(0x03, 0x00, 0x01);
    badCategory[0] = 0x31;
    Bytes badTag = Historical(0x03, 0x00, 0x01);
    badTag[1] = 0x4E;
    Bytes badRid = Historical(0x03, 0x00, 0x01);
    badRid[7] = 0x07;
    Bytes categoryAbove = Historical(0x03, 0x00, 0x01);
    categoryAbove[0] = 0x81;
    Bytes tagAbove = Historical(0x03, 0x00, 0x01);
    tagAbove[1] = 0x50;
    Bytes ridBelow = Historical(0x03, 0x00, 0x01);
    ridBelow[7] = 0x05;
    Bytes anyLength = Historical(0x03, 0x00, 0x01);
    anyLength[2] = 0xFF;
    Bytes k10 = Historical(0x03, 0x00, 0x01);
    k10.resize(10);

    const IdentifyCase cases[] = {
        {"Mifare Standard 1K on ISO 14443 A part 3", Historical(0x03, 0x00, 0x01), true,
         "ISO 14443 A, part 3", "Mifare Standard 1K"},
        {"SS 0x00 is the string-table text", Historical(0x00, 0x00, 0x01), true, notAvailable,
         "Mifare Standard 1K"},
        {"SS 0x04 has no name", Historical(0x04, 0x00, 0x01), true, "", "Mifare Standard 1K"},
        {"last named standard", Historical(0x10, 0x00, 0x02), true, "Contact (7816-10) 3WBP",
         "Mifare Standard 4K"},
        {"first standard without a name after the table", Historical(0x11, 0x00, 0x01), true,
         "", "Mifare Standard 1K"},
        {"SS 0xFF", Historical(0xFF, 0x00, 0x01), true, "", "Mifare Standard 1K"},
        {"NN 00 05 has no name", Historical(0x03, 0x00, 0x05), true, "ISO 14443 A, part 3", ""},
        {"NN 00 26 is the last name", Historical(0x03, 0x00, 0x26), true, "ISO 14443 A, part 3",
         "Mifare Mini"},
        {"NN 00 27 is past the table", Historical(0x03, 0x00, 0x27), true,
         "ISO 14443 A, part 3", ""},
        {"NN 00 00 has no name", Historical(0x03, 0x00, 0x00), true, "ISO 14443 A, part 3", ""},
        {"NN 01 01: high byte not 0x00", Historical(0x03, 0x01, 0x01), true,
         "ISO 14443 A, part 3", ""},
        {"K = 11 reaches both tables", k11, true, "ISO 15693, part 3", "Mifare Mini"},
        {"K = 10 gives no result", k10, false, "", ""},
        {"no historical bytes", Bytes(), false, "", ""},
        {"category 0x31", badCategory, true, "", ""},
        {"tag other than 0x4F", badTag, true, "", ""},
        {"other provider", badRid, true, "", ""},
        {"category 0x81", categoryAbove, true, "", ""},
        {"tag above 0x4F", tagAbove, true, "", ""},
        {"provider that sorts below A0 00 00 03 06", ridBelow, true, "", ""},
        {"H2 is not examined", anyLength, true, "ISO 14443 A, part 3", "Mifare Standard 1K"},
    };
    for (const IdentifyCase& c : cases) {
        SCOPED_TRACE(c.name);
        // Exactly sized, so ASan reports any read past K.
        const Bytes bytes = c.historical;
        std::string standard = "stale";
        std::string cardName = "stale";
        EXPECT_EQ(IdentifyContactlessCard(bytes.data(), bytes.size(), LoadText, standard,
                                          cardName),
                  c.result);
        EXPECT_EQ(standard, c.standard);
        EXPECT_EQ(cardName, c.cardName);
    }
}

TEST(ContactlessCard, EveryTableEntry)
{
    const char* const standards[] = {
        nullptr, "ISO 14443 A, part 1", "ISO 14443 A, part 2", "ISO 14443 A, part 3", "",
        "ISO 14443 B, part 1", "ISO 14443 B, part 2", "ISO 14443 B, part 3", "",
        "ISO 15693, part 1", "ISO 15693, part 2", "ISO 15693, part 3", "ISO 15693, part 4",
        "Contact (7816-10) I2 C", "Contact (7816-10) Extended I2 C", "Contact (7816-10) 2WBP",
        "Contact (7816-10) 3WBP"};
    const char* const names[] = {
        "", "Mifare Standard 1K", "Mifare Standard 4K", "Mifare Ultra light", "SLE55R_XXXX",
        "", "SR176", "SRI X4K", "AT88RF020", "AT88SC0204CRF", "AT88SC0808CRF", "AT88SC1616CRF",
        "AT88SC3216CRF", "AT88SC6416CRF", "SRF55V10P", "SRF55V02P", "SRF55V10S", "SRF55V02S",
        "TAG_IT", "LRI512", "ICODESLI", "TEMPSENS", "I.CODE1", "PicoPass 2K", "PicoPass 2KS",
        "PicoPass 16K", "PicoPass 16Ks", "PicoPass 16K(8x2)", "PicoPass 16KS(8x2)",
        "PicoPass 32KS(16+16)", "PicoPass 32KS(16+8x2)", "PicoPass 32KS(8x2+16)",
        "PicoPass 32KS(8x2+8x2)", "LRI64", "I.CODE UID", "I.CODE EPC", "LRI12", "LRI128",
        "Mifare Mini"};
    const TextSource marker = [](unsigned id) { return "<" + std::to_string(id) + ">"; };
    for (unsigned ss = 0; ss < 256; ++ss) {
        SCOPED_TRACE("SS " + std::to_string(ss));
        const char* expected = ss == 0 ? "<105>" : ss < 17 ? standards[ss] : "";
        EXPECT_EQ(ContactlessStandardText(static_cast<unsigned char>(ss), marker), expected);
    }
    for (unsigned nn = 0; nn < 0x10000; ++nn) {
        const unsigned high = nn >> 8;
        const unsigned low = nn & 0xFF;
        const char* expected = high == 0 && low < 39 ? names[low] : "";
        const std::string name =
            ContactlessCardName(static_cast<unsigned char>(high), static_cast<unsigned char>(low));
        if (name != expected) {
            ADD_FAILURE() << "NN " << nn << ": " << name;
            return;
        }
    }
}

TEST(ContactlessCard, LongTextIsCutToTheBuffer)
{
    const TextSource longText = [](unsigned) { return std::string(400, 'x'); };
    const Bytes bytes = Historical(0x00, 0x00, 0x01);
    std::string standard;
    std::string cardName;
    ASSERT_TRUE(IdentifyContactlessCard(bytes.data(), bytes.size(), longText, standard, cardName));
    EXPECT_EQ(standard, std::string(kContactlessTextSize - 1, 'x'));
}

TEST(ContactlessCard, PcscAccessFillsTheCallersBuffers)
{
    CPcscAccess pcsc;
    const Bytes bytes = Historical(0x00, 0x00, 0x26);
    // Not zero-filled, so only a terminator that was written ends the texts.
    char standard[kContactlessTextSize];
    char cardName[kContactlessTextSize];
    std::memset(standard, '#', sizeof standard);
    std::memset(cardName, '#', sizeof cardName);
    ASSERT_TRUE(pcsc.IdentifyContactlessCard(bytes.data(), static_cast<int>(bytes.size()),
                                             standard, cardName));
    EXPECT_EQ(BufferText(standard, sizeof standard), "nicht verf\xFC" "gbar");
    EXPECT_EQ(BufferText(cardName, sizeof cardName), "Mifare Mini");

    char untouched[kContactlessTextSize];
    char untouchedName[kContactlessTextSize];
    std::memset(untouched, '#', sizeof untouched);
    std::memset(untouchedName, '#', sizeof untouchedName);
    EXPECT_FALSE(pcsc.IdentifyContactlessCard(bytes.data(), 10, untouched, untouchedName));
    EXPECT_FALSE(pcsc.IdentifyContactlessCard(bytes.data(), -1, untouched, untouchedName));
    EXPECT_EQ(std::string(untouched, sizeof untouched), std::string(sizeof untouched, '#'));
    EXPECT_EQ(std::string(untouchedName, sizeof untouchedName),
              std::string(sizeof untouchedName, '#'));
}

}  // namespace
