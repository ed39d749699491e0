#pragma once
// The log file on disk (Windows only): created or truncated, write access, shared with nobody, and
// written as the C runtime's text mode writes (every LF stored as CR LF). A write or close that
// fails is remembered, so that the user can be told once the file is closed.

#include <windows.h>

#include <string>

class CLogFile {
public:
    CLogFile() = default;
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // False when the file cannot be created or opened; then nothing is written.
    bool Open(const std::string& path);

    // Writes `text` with its line ends converted. False when not all of it reached the file;
    // `description` then says why (the system's message, or a text of our own).
    bool Write(const std::string& text, std::string& description);

    // False when the close failed (or there was no open file).
    bool Close();

    bool IsOpen() const { return m_file != INVALID_HANDLE_VALUE; }
    // True when any write or the close has failed since Open.
    bool Failed() const { return m_failed; }

private:
    HANDLE m_file = INVALID_HANDLE_VALUE;
    bool m_failed = false;
};
