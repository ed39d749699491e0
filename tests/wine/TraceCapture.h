#pragma once
// Records what this process writes with OutputDebugStringA, the way a debugger sees it: the call
// raises DBG_PRINTEXCEPTION_C (parameters: length including the NUL, address of the text), and a
// vectored handler gets the first look at it before the system's own handler swallows it. One
// capture may be active at a time; traces from every thread are recorded. `onTrace`, when given,
// sees each trace as it is written, on the thread that writes it.

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <string>

class TraceCapture {
public:
    explicit TraceCapture(void (*onTrace)(const std::string& text) = nullptr) : m_onTrace(onTrace)
    {
        InitializeCriticalSection(&m_lock);
        s_active = this;
        m_handler = AddVectoredExceptionHandler(1, &TraceCapture::Handler);
    }

    ~TraceCapture()
    {
        RemoveVectoredExceptionHandler(m_handler);
        s_active = nullptr;
        DeleteCriticalSection(&m_lock);
    }

    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    // False when the handler could not be installed: then nothing would ever be recorded.
    bool Installed() const { return m_handler != nullptr; }

    std::string Text()
    {
        EnterCriticalSection(&m_lock);
        std::string text = m_text;
        LeaveCriticalSection(&m_lock);
        return text;
    }

    // How often `piece` occurs in the recorded text.
    std::size_t Count(const std::string& piece)
    {
        const std::string text = Text();
        std::size_t count = 0;
        for (std::size_t at = text.find(piece); !piece.empty() && at != std::string::npos;
             at = text.find(piece, at + piece.size()))
            ++count;
        return count;
    }

    void Clear()
    {
        EnterCriticalSection(&m_lock);
        m_text.clear();
        LeaveCriticalSection(&m_lock);
    }

private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* info)
    {
        const EXCEPTION_RECORD* record = info->ExceptionRecord;
        TraceCapture* capture = s_active;
        if (capture != nullptr && record->ExceptionCode == DBG_PRINTEXCEPTION_C &&
            record->NumberParameters >= 2 && record->ExceptionInformation[1] != 0) {
            const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
            const std::size_t length = record->ExceptionInformation[0];
            const std::string trace(text, length > 0 ? strnlen(text, length - 1) : 0);
            capture->Append(trace);
            if (capture->m_onTrace != nullptr)
                capture->m_onTrace(trace);
        }
        return EXCEPTION_CONTINUE_SEARCH;
    }

    void Append(const std::string& text)
    {
        EnterCriticalSection(&m_lock);
        m_text += text;
        LeaveCriticalSection(&m_lock);
    }

    inline static TraceCapture* volatile s_active = nullptr;
    CRITICAL_SECTION m_lock;
    PVOID m_handler = nullptr;
    void (*m_onTrace)(const std::string& text);
    std::string m_text;
};
