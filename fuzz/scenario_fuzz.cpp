// libFuzzer target of the scenario parser, which every simulator runs on files that tests write.
//
// Input: the scenario text. Beyond crashes and sanitizer reports it checks what the simulators rely
// on: a parsed scenario holds only values the format allows, a rejected one names a line of the
// text, and parsing is a function of the text.

#include "Scenario.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool ValidInjection(const scenario::Injection& injection)
{
    return !injection.set || injection.count >= -1;
}

void CheckReader(const scenario::Scenario& s, const scenario::Reader& r)
{
    Check(r.atr.size() <= 36);
    Check(r.protocol.empty() || r.protocol == "T0" || r.protocol == "T1" || r.protocol == "raw" ||
          r.protocol == "none");
    Check(ValidInjection(r.connect) && ValidInjection(r.transmit) && ValidInjection(r.attrib) &&
          ValidInjection(r.status));
    const std::uint32_t protocol = scenario::ActiveProtocol(r);
    Check(protocol == 0 || protocol == 1 || protocol == 2 || protocol == 0x00010000);
    // The first reader of a name is the one found.
    const scenario::Reader* found = scenario::FindReader(s, r.name);
    Check(found != nullptr && found->name == r.name && found <= &r);
    // Every command gets the answer of its first apdu line.
    for (const scenario::Apdu& a : r.apdus) {
        const auto first = std::find_if(r.apdus.begin(), r.apdus.end(),
                                        [&a](const scenario::Apdu& b) { return b.command == a.command; });
        Check(scenario::ResponseFor(r, a.command.data(), a.command.size()) == first->response);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    scenario::Scenario s;
    std::string error;
    const bool ok = scenario::Parse(text, s, error);

    scenario::Scenario again;
    std::string againError;
    Check(scenario::Parse(text, again, againError) == ok && againError == error);
    Check(again.readers.size() == s.readers.size());

    if (!ok) {
        // "line N: ...", with N a line of the text.
        Check(error.compare(0, 5, "line ") == 0);
        const long line = std::strtol(error.c_str() + 5, nullptr, 10);
        const long lines = static_cast<long>(std::count(text.begin(), text.end(), '\n')) + 1;
        Check(line >= 1 && line <= lines);
        return 0;
    }
    Check(ValidInjection(s.context) && ValidInjection(s.list1) && ValidInjection(s.list2));
    for (const scenario::Reader& r : s.readers)
        CheckReader(s, r);
    return 0;
}
