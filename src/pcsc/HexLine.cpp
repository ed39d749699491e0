#include "pcsc/HexLine.h"

std::string HexLine(const unsigned char* bytes, std::size_t count)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string line;
    line.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            line += ' ';
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
    }
    return line;
}
