#include "atr/ContactlessCard.h"

#include "resource.h"

#include <cstring>

namespace {
constexpr std::size_t kMinHistorical = 11;
const unsigned char kRid[] = {0xA0, 0x00, 0x00, 0x03, 0x06};

// Indexed by SS; SS 0x00 is the string-table text and has no entry here.
const char* const kStandards[] = {
    "",
    "ISO 14443 A, part 1",
    "ISO 14443 A, part 2",
    "ISO 14443 A, part 3",
    "",
    "ISO 14443 B, part 1",
    "ISO 14443 B, part 2",
    "ISO 14443 B, part 3",
    "",
    "ISO 15693, part 1",
    "ISO 15693, part 2",
    "ISO 15693, part 3",
    "ISO 15693, part 4",
    "Contact (7816-10) I2 C",
    "Contact (7816-10) Extended I2 C",
    "Contact (7816-10) 2WBP",
    "Contact (7816-10) 3WBP",
};

// Indexed by the low name byte, for a high byte of 0x00.
const char* const kCardNames[] = {
    "",
    "Mifare Standard 1K",
    "Mifare Standard 4K",
    "Mifare Ultra light",
    "SLE55R_XXXX",
    "",
    "SR176",
    "SRI X4K",
    "AT88RF020",
    "AT88SC0204CRF",
    "AT88SC0808CRF",
    "AT88SC1616CRF",
    "AT88SC3216CRF",
    "AT88SC6416CRF",
    "SRF55V10P",
    "SRF55V02P",
    "SRF55V10S",
    "SRF55V02S",
    "TAG_IT",
    "LRI512",
    "ICODESLI",
    "TEMPSENS",
    "I.CODE1",
    "PicoPass 2K",
    "PicoPass 2KS",
    "PicoPass 16K",
    "PicoPass 16Ks",
    "PicoPass 16K(8x2)",
    "PicoPass 16KS(8x2)",
    "PicoPass 32KS(16+16)",
    "PicoPass 32KS(16+8x2)",
    "PicoPass 32KS(8x2+16)",
    "PicoPass 32KS(8x2+8x2)",
    "LRI64",
    "I.CODE UID",
    "I.CODE EPC",
    "LRI12",
    "LRI128",
    "Mifare Mini",
};

std::string FitBuffer(std::string text)
{
    if (text.size() >= kContactlessTextSize)
        text.resize(kContactlessTextSize - 1);
    return text;
}
}  // namespace

std::string ContactlessStandardText(unsigned char ss, const TextSource& text)
{
    if (ss == 0x00)
        return text(IDS_NOT_AVAILABLE);
    if (ss < sizeof kStandards / sizeof kStandards[0])
        return kStandards[ss];
    return std::string();
}

std::string ContactlessCardName(unsigned char high, unsigned char low)
{
    if (high == 0x00 && low < sizeof kCardNames / sizeof kCardNames[0])
        return kCardNames[low];
    return std::string();
}

bool IdentifyContactlessCard(const unsigned char* historical, std::size_t count,
                             const TextSource& text, std::string& standard,
                             std::string& cardName)
{
    standard.clear();
    cardName.clear();
    if (count < kMinHistorical)
        return false;
    // H2, the length of the application identifier, is not examined.
    if (historical[0] != 0x80 || historical[1] != 0x4F ||
        std::memcmp(historical + 3, kRid, sizeof kRid) != 0)
        return true;
    standard = FitBuffer(ContactlessStandardText(historical[8], text));
    cardName = FitBuffer(ContactlessCardName(historical[9], historical[10]));
    return true;
}
