// Stand-in of the vendor DLL tvkscrfwcheck.dll for tests: GetFWVersion answers from the reader's
// `firmware` line of the scenario named by KARDOSKOP_SCENARIO, read again at every call, once the
// line's `firmware-delay` has passed. When KARDOSKOP_FW_JOURNAL names a file, every call appends
// what it received on entry, one line per call:
//   CONTEXT FIRMWARE RESERVED EMV POINTERS NAME
// with the three values as found on entry (hex), POINTERS "ok", "null" or "aliased".
#include "Scenario.h"

#include <windows.h>
#include <winscard.h>

#include <cstdint>
#include <cstdio>
#include <string>

namespace {

// Answers for calls the scenario does not cover; any non-zero value means failure to the caller.
constexpr std::int32_t kNoScenario = static_cast<std::int32_t>(0x80100001);    // internal error
constexpr std::int32_t kUnknownReader = static_cast<std::int32_t>(0x80100009);  // unknown reader
constexpr std::int32_t kBadArguments = static_cast<std::int32_t>(0x80100004);   // invalid parameter

std::string Environment(const char* name)
{
    char buffer[MAX_PATH * 2];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return std::string();
    return std::string(buffer, length);
}

const char* PointerState(const std::uint32_t* firmware, const std::uint32_t* reserved,
                         const std::uint32_t* emv)
{
    if (!firmware || !reserved || !emv)
        return "null";
    if (firmware == reserved || firmware == emv || reserved == emv)
        return "aliased";
    return "ok";
}

std::uint32_t ValueOrZero(const std::uint32_t* p)
{
    return p ? *p : 0;
}

void Journal(SCARDCONTEXT hContext, const char* readerName, const std::uint32_t* firmware,
             const std::uint32_t* reserved, const std::uint32_t* emv)
{
    const std::string path = Environment("KARDOSKOP_FW_JOURNAL");
    if (path.empty())
        return;
    FILE* f = std::fopen(path.c_str(), "ab");
    if (!f)
        return;
    std::fprintf(f, "0x%08lx 0x%08lx 0x%08lx 0x%08lx %s %s\n",
                 static_cast<unsigned long>(hContext),
                 static_cast<unsigned long>(ValueOrZero(firmware)),
                 static_cast<unsigned long>(ValueOrZero(reserved)),
                 static_cast<unsigned long>(ValueOrZero(emv)), PointerState(firmware, reserved, emv),
                 readerName ? readerName : "(null)");
    std::fclose(f);
}

}  // namespace

extern "C" std::int32_t WINAPI GetFWVersion(SCARDCONTEXT hContext, const char* readerName,
                                            std::uint32_t* firmware, std::uint32_t* reserved,
                                            std::uint32_t* emv)
{
    Journal(hContext, readerName, firmware, reserved, emv);
    if (!readerName || !firmware || !reserved || !emv)
        return kBadArguments;

    scenario::Scenario s;
    std::string error;
    if (!scenario::LoadFile(Environment("KARDOSKOP_SCENARIO"), s, error)) {
        OutputDebugStringA(("tvkscrfwcheck stand-in: " + error + "\n").c_str());
        return kNoScenario;
    }
    const scenario::Reader* reader = scenario::FindReader(s, readerName);
    if (!reader || !reader->hasFirmware)
        return kUnknownReader;
    // A vendor DLL that hangs (a long `firmware-delay`): the caller waits with it.
    if (reader->firmwareDelayMs > 0)
        Sleep(reader->firmwareDelayMs);

    // Written also for a failing result: the caller must not show values it was not vouched for.
    *firmware = reader->firmware;
    *reserved = reader->reserved;
    *emv = reader->emv;
    return reader->fwResult;
}
