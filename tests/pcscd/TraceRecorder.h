#pragma once
// Records every trace line of the code under test while it is alive.

#include "win/Trace.h"

#include <string>

class TraceRecorder : public TraceSink {
public:
    TraceRecorder() : m_previous(SetTraceSink(this)) {}
    ~TraceRecorder() override { SetTraceSink(m_previous); }
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    void Write(const char* text) override { m_text += text; }
    const std::string& Text() const { return m_text; }
    void Clear() { m_text.clear(); }

private:
    TraceSink* m_previous;
    std::string m_text;
};
