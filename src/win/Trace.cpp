#include "win/Trace.h"

#include <cstdarg>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#include <mutex>
#endif

namespace {
#ifndef _WIN32
std::mutex g_sinkMutex;
TraceSink* g_sink = nullptr;
#endif

void Emit(const char* text)
{
#ifdef _WIN32
    OutputDebugStringA(text);
#else
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    if (g_sink) {
        g_sink->Write(text);
    } else if (std::getenv("KARDOSKOP_TRACE")) {
        (void)std::fputs(text, stderr);  // a trace that cannot be written is lost
    }
#endif
}
}  // namespace

void Trace(const char* text)
{
    Emit(text);
}

// C-style variadic so that the compiler checks every call's arguments against its format.
void TraceF(const char* format, ...)  // NOLINT(cert-dcl50-cpp)
{
    char line[1024];
    va_list args;
    va_start(args, format);
    (void)std::vsnprintf(line, sizeof line, format, args);  // a longer line is cut
    va_end(args);
    Emit(line);
}

#ifndef _WIN32
TraceSink* SetTraceSink(TraceSink* sink)
{
    std::lock_guard<std::mutex> lock(g_sinkMutex);
    TraceSink* previous = g_sink;
    g_sink = sink;
    return previous;
}
#endif
