#pragma once
// The scenario format shared by the simulated winscard.dll, the virtual pcscd reader driver and the
// vendor-DLL stand-ins. See testenv/README.md for the format.

#include <cstdint>
#include <string>
#include <vector>

namespace scenario {

// A return code forced onto a call: `code` for the first `count` calls (count < 0: every call).
struct Injection {
    bool set = false;
    std::int32_t code = 0;
    int count = -1;
};

struct Apdu {
    std::vector<std::uint8_t> command;
    std::vector<std::uint8_t> response;
};

enum class Card { Absent, Present, Mute, Unavailable };

struct Reader {
    std::string name;
    Card card = Card::Absent;
    std::vector<std::uint8_t> atr;
    std::string protocol;          // "" (derive from the ATR), "T0", "T1", "raw", "none"
    bool hasClock = true;
    std::uint32_t clockKhz = 4000;
    std::vector<Apdu> apdus;
    std::uint32_t flags = 0;       // extra bits ORed into the event state
    std::uint32_t events = 0;      // event counter, reported in the high word of the event state
    unsigned delayMs = 0;          // a status query waits this long before it answers
    Injection connect, transmit, attrib, status;

    // Vendor-DLL stand-in (GetFWVersion).
    bool hasFirmware = false;
    std::int32_t fwResult = 0;
    std::uint32_t firmware = 0, reserved = 0, emv = 0;
    unsigned firmwareDelayMs = 0;  // GetFWVersion waits this long before it answers
};

struct Scenario {
    Injection context, list1, list2;
    std::vector<Reader> readers;
};

// Parses scenario text. On error returns false and names the line in `error`.
bool Parse(const std::string& text, Scenario& out, std::string& error);
bool LoadFile(const std::string& path, Scenario& out, std::string& error);

const Reader* FindReader(const Scenario& s, const std::string& name);

// The answer of the card to a command: the first matching `apdu` line, else 6D 00
// (instruction not supported).
std::vector<std::uint8_t> ResponseFor(const Reader& r, const std::uint8_t* command, std::size_t length);

// Protocol of a connection for a T=0|T=1 request: 1 (T=0), 2 (T=1), 0 (none negotiated) or
// 0x00010000 (raw). Without a `protocol` line it follows the ATR like pcscd: T=1 when offered.
std::uint32_t ActiveProtocol(const Reader& r);

// Parses hexadecimal bytes, blanks between bytes optional. False on any other character or an odd
// digit count.
bool ParseHexBytes(const std::string& text, std::vector<std::uint8_t>& out);

}  // namespace scenario
