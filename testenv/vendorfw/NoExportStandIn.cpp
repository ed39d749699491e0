// Stand-in of the vendor DLL tvkscrfwcheck.dll without the export GetFWVersion: the function is
// there but exported under its decorated stdcall name only (GetFWVersion@20), as a build without a
// .def file leaves it. A caller that found it anyway would see a successful answer.
#include <windows.h>
#include <winscard.h>

#include <cstdint>

// x86_64 has one calling convention and no name decoration, so a 64-bit build would export the
// plain name: there the stand-in gives the function another name, to the same effect.
#ifdef _WIN64
#define GetFWVersion GetFWVersionNotTheExport
#endif

extern "C" __declspec(dllexport) std::int32_t WINAPI GetFWVersion(SCARDCONTEXT, const char*,
                                                                  std::uint32_t* firmware,
                                                                  std::uint32_t*,
                                                                  std::uint32_t* emv)
{
    if (firmware)
        *firmware = 0x01020304;
    if (emv)
        *emv = 0x01000000;
    return 0;
}
