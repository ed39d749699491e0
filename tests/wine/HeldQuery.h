#pragma once
// A status query that the simulated DLL holds (its `delay`) and the time within which a stop must
// have ended it: long enough for a slow machine, far below the hold. KARDOSKOP_TIME_FACTOR (a
// positive number, 1 by default; the end-to-end tests read it too) stretches both.

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

inline DWORD Stretched(DWORD ms)
{
    static const double factor = [] {
        const char* text = std::getenv("KARDOSKOP_TIME_FACTOR");
        if (!text || !*text)
            return 1.0;
        bool digits = false;
        int points = 0;
        for (const char* c = text; *c; ++c) {
            digits = digits || std::isdigit(static_cast<unsigned char>(*c));
            points += *c == '.';
            if (*c != '.' && !std::isdigit(static_cast<unsigned char>(*c)))
                points = 2;
        }
        const double value = std::strtod(text, nullptr);
        if (!digits || points > 1 || !(value > 0.0)) {
            std::fprintf(stderr, "KARDOSKOP_TIME_FACTOR must be a positive number such as 2 or 1.5, not '%s'\n", text);
            std::exit(2);
        }
        return value;
    }();
    return static_cast<DWORD>(ms * factor + 0.5);
}

// The `delay` line of a reader whose query is held, and the stop's limit.
inline std::string HeldQueryDelay()
{
    return "delay = " + std::to_string(Stretched(30000)) + "\n";
}
inline DWORD StopLimitMs()
{
    return Stretched(5000);
}
