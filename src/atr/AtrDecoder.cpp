#include "atr/AtrDecoder.h"

#include "atr/AtrNumbers.h"
#include "atr/ContactlessCard.h"
#include "pcsc/HexLine.h"
#include "resource.h"

#include <utility>

namespace {
// TS, T0, 16 interface characters and 15 historical bytes end at byte kLongestCardAtr of the
// block, so the structure never reaches past a copy of kAtrBlockSize bytes.
static_assert(kLongestCardAtr < kAtrBlockSize, "the decoder reads up to byte kLongestCardAtr");
constexpr unsigned kLevels = 4;

// F from FI and D from DI (ISO/IEC 7816-3); 0 where the value has no defined meaning.
constexpr unsigned kClockRateF[16] = {372, 372, 558, 744, 1116, 1488, 1860, 0,
                                      0,   512, 768, 1024, 1536, 2048, 0, 0};
constexpr unsigned kBaudRateD[16] = {0, 1, 2, 4, 8, 16, 32, 64, 12, 20, 0, 0, 0, 0, 0, 0};

constexpr unsigned char kTsDirect = 0x3B;
constexpr unsigned char kTsInverse = 0x3F;
// A T0 of exactly this value ends the decoding after the convention.
constexpr unsigned char kT0Short = 0x04;

struct InterfaceChar {
    bool present = false;
    unsigned char value = 0;
};

// TAi, TBi, TCi, TDi for i = 1 to 4 (index i - 1), and where the historical bytes start.
struct AtrFields {
    InterfaceChar ta[kLevels];
    InterfaceChar tb[kLevels];
    InterfaceChar tc[kLevels];
    InterfaceChar td[kLevels];
    std::size_t historicalStart = 0;
    std::size_t historicalCount = 0;
};

AtrFields ReadFields(const unsigned char* block)
{
    AtrFields fields;
    std::size_t p = 3;
    unsigned char announce = block[2];
    for (unsigned level = 0; level < kLevels; ++level) {
        InterfaceChar* const chars[] = {&fields.ta[level], &fields.tb[level], &fields.tc[level],
                                        &fields.td[level]};
        for (unsigned k = 0; k < 4; ++k) {
            if ((announce & (0x10u << k)) != 0) {
                chars[k]->present = true;
                chars[k]->value = block[p++];
            }
        }
        // TD4 is read, but a fifth level is not.
        if (!fields.td[level].present)
            break;
        announce = fields.td[level].value;
    }
    fields.historicalStart = p;
    fields.historicalCount = block[2] & 0x0Fu;
    return fields;
}

std::string Decimal(unsigned value)
{
    return std::to_string(value);
}

class RowWriter {
public:
    RowWriter(const TextSource& text, std::vector<std::string>& rows) : m_text(text), m_rows(rows)
    {
    }

    void Add(unsigned propertyId, std::string value)
    {
        m_rows.push_back(m_text(propertyId));
        m_rows.push_back(std::move(value));
    }

    void AddText(unsigned propertyId, unsigned valueId) { Add(propertyId, m_text(valueId)); }

    std::string Text(unsigned id) const { return m_text(id); }

private:
    const TextSource& m_text;
    std::vector<std::string>& m_rows;
};

std::string ProtocolText(const AtrFields& fields)
{
    std::string text = "T=";
    bool seen[16] = {};
    bool first = true;
    for (const InterfaceChar& td : fields.td) {
        if (!td.present)
            continue;
        const unsigned protocol = td.value & 0x0Fu;
        if (seen[protocol])
            continue;
        seen[protocol] = true;
        if (!first)
            text += '/';
        text += Decimal(protocol);
        first = false;
    }
    return text;
}

std::string ErrorDetectionText(unsigned char tc)
{
    return (tc & 0x01) != 0 ? "CRC" : "LRC";
}

// Rows 7a to 7r: the interface characters of a contact card.
void AddInterfaceRows(const AtrFields& fields, unsigned mhz, RowWriter& out)
{
    unsigned d = 0;
    if (fields.ta[0].present) {
        const unsigned f = kClockRateF[fields.ta[0].value >> 4];
        d = kBaudRateD[fields.ta[0].value & 0x0Fu];
        out.Add(IDS_ATR_TA1_F, Decimal(f));
        out.Add(IDS_ATR_TA1_D, Decimal(d));
        if (mhz != 0 && f != 0 && d != 0) {
            const float rate = QuotientToFloat(std::uint64_t{d} * mhz * 1000000u, f);
            // The store rounds to float also where the FPU computes with more precision (x87),
            // so every build prints the same digits.
            volatile float etu = 1.0f / rate;
            out.Add(IDS_ATR_TA1_RATE, FormatWhole(rate));
            out.Add(IDS_ATR_TA1_ETU, FormatScientific(etu));
        }
    }

    if (!fields.tb[0].present)
        out.AddText(IDS_ATR_TB1_VPP, IDS_ATR_VPP_STANDARD);
    else if (fields.tb[0].value == 0x00)
        out.AddText(IDS_ATR_TB1_VPP, IDS_ATR_VPP_NOT_REQUIRED);

    if (fields.tc[0].present) {
        const unsigned n = fields.tc[0].value;
        out.Add(IDS_ATR_TC1_GUARD, Decimal(n == 255 ? 0 : n) + " work etu");
    }

    if (fields.ta[1].present) {
        const unsigned char ta2 = fields.ta[1].value;
        out.AddText(IDS_ATR_TA2_PTS, (ta2 & 0x80) == 0 ? IDS_ATR_PTS_SWITCH_POSSIBLE
                                                       : IDS_ATR_PTS_SWITCH_IMPOSSIBLE);
        out.AddText(IDS_ATR_TA2_PTS,
                    (ta2 & 0x10) == 0 ? IDS_ATR_PTS_EXPLICIT : IDS_ATR_PTS_IMPLICIT);
        out.Add(IDS_ATR_TA2_PTS, out.Text(IDS_ATR_PTS_USE) + Decimal(ta2 & 0x0Fu));
    }

    if (fields.tb[1].present)
        out.Add(IDS_ATR_TB2_PI2, Decimal(fields.tb[1].value));

    if (d != 0) {
        const unsigned wi =
            fields.tc[1].present && fields.tc[1].value != 0 ? fields.tc[1].value : 10;
        out.Add(IDS_ATR_TC2_WAIT, Decimal(960 * d * wi) + " work etu");
    }

    if (fields.ta[2].present)
        out.Add(IDS_ATR_TA3_IFSC, Decimal(fields.ta[2].value));

    if (fields.tb[2].present) {
        const unsigned cwi = fields.tb[2].value & 0x0Fu;
        const unsigned bwi = fields.tb[2].value >> 4;
        out.Add(IDS_ATR_TB3_CWT, Decimal((1u << cwi) + 11) + " work etu");
        if (mhz != 0) {
            // 2^BWI x 960 x 372 / (MHz x 1000) + 11, as one exact fraction.
            const std::uint64_t denominator = std::uint64_t{mhz} * 1000;
            const std::uint64_t numerator =
                (std::uint64_t{1} << bwi) * 960 * 372 + 11 * denominator;
            out.Add(IDS_ATR_TB3_BWT, FormatHundredths(numerator, denominator) + " work etu");
        } else {
            out.AddText(IDS_ATR_TB3_BWT, IDS_ERROR);
        }
    }

    if (fields.tc[2].present)
        out.Add(IDS_ATR_TC3, ErrorDetectionText(fields.tc[2].value));

    if (fields.ta[3].present)
        out.Add(IDS_ATR_TA4_IFSC, Decimal(fields.ta[3].value));

    if (fields.tb[3].present) {
        out.Add(IDS_ATR_TB4_BWT, Decimal(fields.tb[3].value >> 4));
        out.Add(IDS_ATR_TB4_CWT, Decimal(fields.tb[3].value & 0x0Fu));
    }

    if (fields.tc[3].present)
        out.Add(IDS_ATR_TC4, ErrorDetectionText(fields.tc[3].value));
}

// The historical bytes as characters: a 0x00 shows as a blank, or ends the text in last place.
std::string HistoricalText(const unsigned char* bytes, std::size_t count)
{
    std::string text;
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0x00)
            text += static_cast<char>(bytes[i]);
        else if (i + 1 < count)
            text += ' ';
    }
    return text;
}
}  // namespace

void DecodeAtrRows(const unsigned char* atr, std::uint32_t clockKhz, bool contactless,
                   const TextSource& text, std::vector<std::string>& rows)
{
    rows.clear();
    RowWriter out(text, rows);

    // A zero-filled working copy: what the ATR announces beyond its end reads as 0x00, and no
    // read can leave the copy.
    unsigned char block[kAtrBlockSize] = {};
    std::size_t length = atr[0];
    if (length > kMaxAtrLength)
        length = kMaxAtrLength;
    for (std::size_t i = 0; i <= length; ++i)
        block[i] = atr[i];

    const unsigned mhz = clockKhz / 1000;
    out.Add(IDS_ATR_CLOCK, mhz != 0 ? Decimal(mhz) : text(IDS_ERROR));

    const unsigned char ts = block[1];
    if (ts == kTsDirect)
        out.AddText(IDS_ATR_CONVENTION, IDS_ATR_DIRECT);
    else if (ts == kTsInverse)
        out.AddText(IDS_ATR_CONVENTION, IDS_ATR_INVERSE);
    else
        out.AddText(IDS_ATR_CONVENTION, IDS_ERROR);

    if (block[2] == kT0Short)
        return;

    const AtrFields fields = ReadFields(block);
    if (fields.td[0].present)
        out.Add(IDS_ATR_PROTOCOL, ProtocolText(fields));

    if (!contactless)
        AddInterfaceRows(fields, mhz, out);

    const unsigned char* historical = block + fields.historicalStart;
    const std::size_t count = fields.historicalCount;
    if (!contactless)
        out.Add(IDS_ATR_HIST_TEXT, HistoricalText(historical, count));
    out.Add(IDS_ATR_HIST_HEX, HexLine(historical, count));

    if (contactless) {
        std::string standard;
        std::string cardName;
        if (IdentifyContactlessCard(historical, count, text, standard, cardName)) {
            out.Add(IDS_ATR_CARD_NAME, cardName);
            out.Add(IDS_ATR_STANDARD, standard);
        }
    }
}
