#pragma once
// Debugger output of the program. On Windows every line goes to OutputDebugStringA; natively it goes
// to the installed trace sink, so tests can read exactly what the program would have traced.

void Trace(const char* text);
void TraceF(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

#ifndef _WIN32
// Receives every trace line (natively only). Implementations must be thread-safe in themselves only
// as far as the tests need; calls arrive serialised.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void Write(const char* text) = 0;
};

// Installs the sink (nullptr: traces go to standard error when KARDOSKOP_TRACE is set, else nowhere).
// Returns the sink installed before.
TraceSink* SetTraceSink(TraceSink* sink);
#endif
