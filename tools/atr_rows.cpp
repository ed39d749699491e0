// atr_rows: prints the detail rows that the program shows for ATRs given as hex lines.
// See tools/README.md.

#include "AtrRowsFormat.h"

#include "atr/AtrDecoder.h"
#include "win/Text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

namespace {
constexpr const char* kUsage =
    "usage: atr_rows [--clock-khz N] [--contactless] < atrs.txt\n"
    "  reads one ATR per line as hex (blanks optional) and prints its rows:\n"
    "  property TAB value, then an empty line\n"
    "  --clock-khz N   the reader's clock in kHz (default 4000; 0: the reader gives none)\n"
    "  --contactless   decode as for a contactless reader\n";

bool ParseClock(const char* text, std::uint32_t& clockKhz)
{
    if (*text < '0' || *text > '9')
        return false;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (*end != '\0' || value > 0xFFFFFFFFull)
        return false;
    clockKhz = static_cast<std::uint32_t>(value);
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    std::uint32_t clockKhz = 4000;
    bool contactless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--contactless") == 0) {
            contactless = true;
        } else if (std::strcmp(argv[i], "--clock-khz") == 0 && i + 1 < argc) {
            if (!ParseClock(argv[++i], clockKhz)) {
                std::cerr << "atr_rows: --clock-khz wants a number from 0 to 4294967295\n";
                return 2;
            }
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << kUsage;
            return 0;
        } else {
            std::cerr << kUsage;
            return 2;
        }
    }

    bool allRead = true;
    std::string line;
    std::vector<unsigned char> atr;
    std::vector<std::string> rows;
    for (unsigned number = 1; std::getline(std::cin, line); ++number) {
        std::string error;
        if (!ParseAtrHex(line, atr, error)) {
            std::cerr << "atr_rows: line " << number << ": " << error << '\n';
            allRead = false;
            continue;
        }
        std::vector<unsigned char> block;
        block.push_back(static_cast<unsigned char>(atr.size()));
        block.insert(block.end(), atr.begin(), atr.end());
        DecodeAtrRows(block.data(), clockKhz, contactless, LoadText, rows);
        std::cout << FormatRows(rows) << std::flush;
    }
    return allRead ? 0 : 1;
}
