#include "AtrRowsFormat.h"

#include "atr/AtrDecoder.h"

#include <cstdio>

namespace {
// Unicode of the bytes 0x80 to 0x9F; 0 where Windows-1252 defines no character.
constexpr unsigned kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendEscape(std::string& out, unsigned char byte)
{
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\x%02x", byte);
    out += escape;
}

void AppendUtf8(std::string& out, unsigned code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::string ToUtf8(const std::string& text, bool escapeControls)
{
    std::string out;
    for (const char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (escapeControls && byte == '\\') {
            out += "\\\\";
        } else if (escapeControls && (byte < 0x20 || byte == 0x7F)) {
            AppendEscape(out, byte);
        } else if (byte >= 0x80 && byte < 0xA0) {
            const unsigned code = kHighControls[byte - 0x80];
            if (code == 0)
                AppendEscape(out, byte);
            else
                AppendUtf8(out, code);
        } else {
            AppendUtf8(out, byte);
        }
    }
    return out;
}
}  // namespace

bool ParseAtrHex(const std::string& line, std::vector<unsigned char>& atr, std::string& error)
{
    atr.clear();
    std::size_t end = line.size();
    if (end > 0 && line[end - 1] == '\r')
        --end;
    std::size_t i = 0;
    while (i < end) {
        const char c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        const int high = HexDigit(c);
        const int low = i + 1 < end ? HexDigit(line[i + 1]) : -1;
        if (high < 0 || low < 0) {
            error = "not a pair of hex digits at column " + std::to_string(i + 1);
            return false;
        }
        atr.push_back(static_cast<unsigned char>(high * 16 + low));
        i += 2;
    }
    if (atr.empty() || atr.size() > kMaxAtrLength) {
        error = "an ATR has 1 to " + std::to_string(kMaxAtrLength) + " bytes, this line has " +
                std::to_string(atr.size());
        return false;
    }
    return true;
}

std::string PropertyToUtf8(const std::string& text)
{
    return ToUtf8(text, false);
}

std::string ValueToUtf8(const std::string& text)
{
    return ToUtf8(text, true);
}

std::string FormatRows(const std::vector<std::string>& rows)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < rows.size(); i += 2)
        out += PropertyToUtf8(rows[i]) + '\t' + ValueToUtf8(rows[i + 1]) + '\n';
    out += '\n';
    return out;
}
