// libFuzzer target of the ATR decoder.
//
// Input: byte 0 flags (bit 0: contactless reader), bytes 1 to 4 the clock in kHz (little-endian),
// then an AtrBlock as the status monitor delivers it: a length byte n and the ATR. The block is
// copied into a heap block of exactly 1 + min(n, 36) bytes, all that the decoder may read, so the
// sanitizer reports any read beyond it.

#include "atr/AtrDecoder.h"
#include "win/Text.h"

#include "resource.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {
constexpr std::size_t kHeader = 5;
// Every row of a contact card at once, two texts each.
constexpr std::size_t kMostTexts = 2 * 27;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeader + 1)
        return 0;
    const bool contactless = (data[0] & 0x01) != 0;
    const std::uint32_t clockKhz = static_cast<std::uint32_t>(data[1]) |
                                   static_cast<std::uint32_t>(data[2]) << 8 |
                                   static_cast<std::uint32_t>(data[3]) << 16 |
                                   static_cast<std::uint32_t>(data[4]) << 24;
    const std::uint8_t* block = data + kHeader;
    const std::size_t available = size - kHeader;
    const std::size_t length = block[0] < kMaxAtrLength ? block[0] : kMaxAtrLength;
    if (available < 1 + length)
        return 0;

    std::unique_ptr<unsigned char[]> atr(new unsigned char[1 + length]);
    std::memcpy(atr.get(), block, 1 + length);

    std::vector<std::string> rows = {"stale"};
    DecodeAtrRows(atr.get(), clockKhz, contactless, LoadText, rows);

    // Property and value alternate; clock and convention always lead.
    Check(rows.size() % 2 == 0);
    Check(rows.size() >= 4 && rows.size() <= kMostTexts);
    Check(rows[0] == LoadText(IDS_ATR_CLOCK) && rows[2] == LoadText(IDS_ATR_CONVENTION));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        // Texts end at their first NUL in the UI and the log: none may hide one.
        Check(rows[i].find('\0') == std::string::npos);
        if (i % 2 == 0) {
            Check(!rows[i].empty());
            if (contactless)
                Check(rows[i] != LoadText(IDS_ATR_HIST_TEXT));
        }
    }

    // The decoder is a function of its inputs.
    std::vector<std::string> again;
    DecodeAtrRows(atr.get(), clockKhz, contactless, LoadText, again);
    Check(again == rows);
    return 0;
}
