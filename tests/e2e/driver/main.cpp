// e2e_driver: operates the dialogs of another program under test from outside.
//
//   e2e_driver                      reads commands from stdin, one per line, and answers each
//                                   with "= LINE" per output line and a final "ok" or
//                                   "error: REASON" (one driver process serves a whole test)
//   e2e_driver [-t TITLE] CMD ARGS  runs one command (after finding the dialog TITLE), prints
//                                   its lines plainly, the error on stderr; exit code 0 or 1
#include "Commands.h"
#include "Tokens.h"
#include "WindowSearch.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool ReadLine(std::string& line)
{
    line.clear();
    char chunk[1024];
    while (std::fgets(chunk, sizeof chunk, stdin)) {
        line += chunk;
        if (!line.empty() && line.back() == '\n')
            break;
    }
    if (line.empty())
        return false;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return true;
}

int ServeStdin()
{
    e2e::Driver driver;
    std::string line;
    std::vector<std::string> words;
    std::vector<std::string> output;
    while (ReadLine(line)) {
        std::string error;
        if (!e2e::SplitWords(line, words, error)) {
            std::printf("error: %s\n", error.c_str());
        } else if (words.empty() || words[0][0] == '#') {
            continue;  // nothing to answer
        } else if (words[0] == "quit") {
            std::printf("ok\n");
            std::fflush(stdout);
            return 0;
        } else if (driver.Run(words, output, error)) {
            for (const std::string& out : output)
                std::printf("= %s\n", out.c_str());
            std::printf("ok\n");
        } else {
            std::printf("error: %s\n", error.c_str());
        }
        std::fflush(stdout);
    }
    return 0;
}

// Rectangles in the pixels of the screen, whatever display scale the driver itself started at:
// a thread without DPI scaling gets every window's coordinates unmapped.
void DisableDpiScaling()
{
    using SetContextFn = BOOL(WINAPI*)(HANDLE);
    HMODULE user = GetModuleHandleA("user32.dll");
    auto setContext = reinterpret_cast<SetContextFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(user, "SetProcessDpiAwarenessContext")));
    const HANDLE perMonitorAware = reinterpret_cast<HANDLE>(static_cast<INT_PTR>(-3));
    if (setContext == nullptr || !setContext(perMonitorAware))
        SetProcessDPIAware();
}

int RunOne(int argc, char** argv)
{
    e2e::Driver driver;
    std::vector<std::string> output;
    std::string error;
    int first = 1;
    if (std::strcmp(argv[1], "-t") == 0) {
        if (argc < 4) {
            std::fprintf(stderr, "usage: e2e_driver [-t TITLE] COMMAND [ARGS...]\n");
            return 2;
        }
        if (!driver.Run({"wait-window", argv[2]}, output, error)) {
            std::fprintf(stderr, "error: %s\n", error.c_str());
            return 1;
        }
        first = 3;
    }
    const std::vector<std::string> words(argv + first, argv + argc);
    if (words[0] == "help" || words[0] == "--help") {
        for (const std::string& usage : e2e::Usage())
            std::printf("%s\n", usage.c_str());
        return 0;
    }
    if (!driver.Run(words, output, error)) {
        std::fprintf(stderr, "error: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& out : output)
        std::printf("%s\n", out.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    // Bytes out as the controls hold them (ANSI code page), and no CR before each LF.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    DisableDpiScaling();
    // The time factor of a slow machine stretches every wait; Wine passes the Unix environment on.
    const char* factorText = std::getenv("KARDOSKOP_TIME_FACTOR");
    if (factorText && *factorText) {
        double factor = 1.0;
        if (!e2e::ParseTimeFactor(factorText, factor)) {
            std::fprintf(stderr, "e2e_driver: KARDOSKOP_TIME_FACTOR must be a positive number such as 2 or 1.5, not '%s'\n",
                         factorText);
            return 2;
        }
        e2e::SetTimeFactor(factor);
    }
    return argc > 1 ? RunOne(argc, argv) : ServeStdin();
}
