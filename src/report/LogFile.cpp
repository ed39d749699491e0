#include "report/LogFile.h"

#include "report/LogLayout.h"

namespace {

std::string SystemMessage(DWORD error)
{
    char* buffer = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    std::string text = length > 0 && buffer != nullptr ? std::string(buffer, length)
                                                       : "error " + std::to_string(error);
    LocalFree(buffer);
    return text;
}

}  // namespace

CLogFile::~CLogFile()
{
    if (IsOpen())
        Close();
}

bool CLogFile::Open(const std::string& path)
{
    m_failed = false;
    m_file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    return IsOpen();
}

bool CLogFile::Write(const std::string& text, std::string& description)
{
    const std::string bytes = FileBytes(text);
    std::size_t done = 0;
    // WriteFile may take less than it was given; a call that takes nothing ends the attempt.
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(bytes.size() - done);
        if (!WriteFile(m_file, bytes.data() + done, chunk, &written, nullptr)) {
            description = SystemMessage(GetLastError());
            m_failed = true;
            return false;
        }
        if (written == 0) {
            description = "no byte was written";
            m_failed = true;
            return false;
        }
        done += written;
    }
    return true;
}

bool CLogFile::Close()
{
    const bool closed = IsOpen() && CloseHandle(m_file) != FALSE;
    m_file = INVALID_HANDLE_VALUE;
    if (!closed)
        m_failed = true;
    return closed;
}
