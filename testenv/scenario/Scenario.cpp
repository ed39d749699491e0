#include "Scenario.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace scenario {
namespace {

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

// Decimal or 0x hexadecimal, optionally signed; 32-bit codes such as 0x8010002E wrap to int32.
// A leading 0 does not make octal (0100 is a hundred), and the whole text must be the number,
// up to a NUL inside it too.
bool ParseNumber(const std::string& text, long long& out)
{
    const std::string t = Trim(text);
    if (t.empty())
        return false;
    const std::size_t sign = t[0] == '-' || t[0] == '+' ? 1 : 0;
    const bool hex = t.compare(sign, 2, "0x") == 0 || t.compare(sign, 2, "0X") == 0;
    char* end = nullptr;
    out = std::strtoll(t.c_str(), &end, hex ? 16 : 10);
    return end == t.c_str() + t.size();
}

bool ParseCode(const std::string& text, std::int32_t& out)
{
    long long v = 0;
    if (!ParseNumber(text, v) || v < -2147483648LL || v > 0xFFFFFFFFLL)
        return false;
    out = static_cast<std::int32_t>(static_cast<std::uint32_t>(v & 0xFFFFFFFF));
    return true;
}

bool ParseUnsigned(const std::string& text, std::uint32_t& out)
{
    long long v = 0;
    if (!ParseNumber(text, v) || v < 0 || v > 0xFFFFFFFFLL)
        return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

bool ParseInjection(const std::string& text, Injection& out)
{
    std::string codeText = text;
    out.count = -1;
    size_t star = text.find('*');
    if (star != std::string::npos) {
        std::uint32_t count = 0;
        if (!ParseUnsigned(text.substr(star + 1), count) || count > static_cast<std::uint32_t>(std::numeric_limits<int>::max()))
            return false;
        out.count = static_cast<int>(count);
        codeText = text.substr(0, star);
    }
    out.set = ParseCode(codeText, out.code);
    return out.set;
}

bool ParseCard(const std::string& v, Card& card)
{
    if (v == "present")
        card = Card::Present;
    else if (v == "absent")
        card = Card::Absent;
    else if (v == "mute")
        card = Card::Mute;
    else if (v == "unavailable")
        card = Card::Unavailable;
    else
        return false;
    return true;
}

bool ParseFirmware(const std::string& v, Reader& r)
{
    std::istringstream in(v);
    std::string result, fw, reserved, emv, extra;
    if (!(in >> result >> fw >> reserved >> emv) || (in >> extra))
        return false;
    r.hasFirmware = ParseCode(result, r.fwResult) && ParseUnsigned(fw, r.firmware) &&
                    ParseUnsigned(reserved, r.reserved) && ParseUnsigned(emv, r.emv);
    return r.hasFirmware;
}

bool ParseReaderKey(const std::string& key, const std::string& v, Reader& r)
{
    if (key == "card")
        return ParseCard(v, r.card);
    if (key == "atr")
        return ParseHexBytes(v, r.atr) && r.atr.size() <= 36;
    if (key == "protocol") {
        r.protocol = v;
        return v == "T0" || v == "T1" || v == "raw" || v == "none";
    }
    if (key == "clock") {
        r.hasClock = v != "none";
        return !r.hasClock || ParseUnsigned(v, r.clockKhz);
    }
    if (key == "apdu") {
        size_t colon = v.find(':');
        Apdu a;
        if (colon == std::string::npos || !ParseHexBytes(v.substr(0, colon), a.command) ||
            !ParseHexBytes(v.substr(colon + 1), a.response))
            return false;
        r.apdus.push_back(a);
        return true;
    }
    if (key == "flags")
        return ParseUnsigned(v, r.flags);
    if (key == "events")
        return ParseUnsigned(v, r.events);
    if (key == "delay") {
        std::uint32_t ms = 0;
        bool ok = ParseUnsigned(v, ms);
        r.delayMs = ms;
        return ok;
    }
    if (key == "connect")
        return ParseInjection(v, r.connect);
    if (key == "transmit")
        return ParseInjection(v, r.transmit);
    if (key == "attrib")
        return ParseInjection(v, r.attrib);
    if (key == "status")
        return ParseInjection(v, r.status);
    if (key == "firmware")
        return ParseFirmware(v, r);
    if (key == "firmware-delay") {
        std::uint32_t ms = 0;
        bool ok = ParseUnsigned(v, ms);
        r.firmwareDelayMs = ms;
        return ok;
    }
    return false;
}

bool ParseGlobalKey(const std::string& key, const std::string& v, Scenario& s)
{
    if (key == "context")
        return ParseInjection(v, s.context);
    if (key == "list1")
        return ParseInjection(v, s.list1);
    if (key == "list2")
        return ParseInjection(v, s.list2);
    return false;
}

}  // namespace

bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& out)
{
    out.clear();
    int high = -1;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (high >= 0)
                return false;  // a byte split by a blank
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
        int digit = std::isdigit(static_cast<unsigned char>(c))
                        ? c - '0'
                        : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
        if (high < 0) {
            high = digit;
        } else {
            out.push_back(static_cast<std::uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return high < 0;
}

bool Parse(const std::string& text, Scenario& out, std::string& error)
{
    out = Scenario();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    Reader* current = nullptr;
    while (std::getline(in, line)) {
        ++number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = Trim(line);
        if (line.empty())
            continue;
        if (line.front() == '[') {
            if (line.back() != ']' || line.compare(1, 6, "reader") != 0) {
                error = "line " + std::to_string(number) + ": expected [reader NAME]";
                return false;
            }
            out.readers.emplace_back();
            current = &out.readers.back();
            current->name = Trim(line.substr(7, line.size() - 8));
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string::npos) {
            error = "line " + std::to_string(number) + ": expected key = value";
            return false;
        }
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        bool ok = current ? ParseReaderKey(key, value, *current) : ParseGlobalKey(key, value, out);
        if (!ok) {
            error = "line " + std::to_string(number) + ": bad setting '" + key + "'";
            return false;
        }
    }
    return true;
}

bool LoadFile(const std::string& path, Scenario& out, std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot open " + path;
        out = Scenario();
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str(), out, error);
}

const Reader* FindReader(const Scenario& s, const std::string& name)
{
    for (const Reader& r : s.readers)
        if (r.name == name)
            return &r;
    return nullptr;
}

std::vector<std::uint8_t> ResponseFor(const Reader& r, const std::uint8_t* command, std::size_t length)
{
    for (const Apdu& a : r.apdus)
        if (a.command.size() == length && std::equal(a.command.begin(), a.command.end(), command))
            return a.response;
    return {0x6D, 0x00};
}

std::uint32_t ActiveProtocol(const Reader& r)
{
    if (r.protocol == "T0")
        return 1;
    if (r.protocol == "T1")
        return 2;
    if (r.protocol == "raw")
        return 0x00010000;
    if (r.protocol == "none")
        return 0;

    // Walk the interface characters: T=1 when any TDi names it, else T=0.
    const auto& atr = r.atr;
    if (atr.size() < 2)
        return 1;
    size_t p = 2;
    std::uint8_t y = atr[1];
    bool t1 = false;
    for (int level = 0; level < 4 && p <= atr.size(); ++level) {
        for (int mask : {0x10, 0x20, 0x40})
            if (y & mask)
                ++p;
        if (!(y & 0x80) || p >= atr.size())
            break;
        y = atr[p++];
        if ((y & 0x0F) == 1)
            t1 = true;
    }
    return t1 ? 2 : 1;
}

}  // namespace scenario
