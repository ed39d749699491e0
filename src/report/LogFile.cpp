#include "report/LogFile.h"

#include "report/LogLayout.h"

#include <algorithm>

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

const char kTempMark[] = "~kardoskop-";
const char kTempEnd[] = ".tmp";

// The folder part of a chosen path, with its separator ("" for a bare name: the current folder).
std::string FolderOf(const std::string& path)
{
    const std::size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Runs that did not finish (killed, or the power gone) leave their temporaries behind. One that a
// run still writes is open and shared with nobody: its deletion fails, and it stays.
void RemoveLeftovers(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    const CFindHandle search(FindFirstFileA((folder + "*" + kTempMark + "*" + kTempEnd).c_str(), &found));
    if (!search)
        return;
    do {
        // The pattern also matches short (8.3) names: only the long name counts.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLogTempName(found.cFileName))
            DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search.Get(), &found));
}

// The earlier file must be replaceable at the end, so refuse now what would refuse then, before
// any reader is asked: a read-only file, a folder of that name, a file that another program holds
// open without letting it be deleted. The replace needs delete access and nothing else, so a
// program that merely reads the file with every sharing mode (a preview pane, the indexer) is no
// reason to refuse.
bool CanReplace(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true;  // no earlier file (a missing folder fails at the temporary)
    // A read-only file cannot be replaced, whatever the open below would be granted.
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    const CFileHandle earlier(CreateFileA(path.c_str(), DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return earlier.IsValid();
}

// A virus scanner, the search indexer or a sync client often opens a file just after it was
// written, and scanners have been seen holding one for up to 2 s; meanwhile a rename onto or from
// it fails with one of these errors.
bool IsHeldForAMoment(DWORD error)
{
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION;
}

constexpr DWORD kReplacePatienceMs = 2000;
constexpr DWORD kFirstReplacePauseMs = 25;
constexpr DWORD kLongestReplacePauseMs = 500;

// Gives the temporary the chosen name, trying again with growing pauses while another program
// holds one of the two files; any other error ends it at once.
bool MoveIntoPlace(const std::string& from, const std::string& to)
{
    DWORD waited = 0;
    DWORD pause = kFirstReplacePauseMs;
    for (;;) {
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!IsHeldForAMoment(GetLastError()) || waited >= kReplacePatienceMs)
            return false;
        const DWORD step = std::min(pause, kReplacePatienceMs - waited);
        Sleep(step);
        waited += step;
        pause = std::min(pause * 2, kLongestReplacePauseMs);
    }
}

}  // namespace

std::string LogTempPath(const std::string& path, DWORD processId)
{
    const std::string own = kTempMark + std::to_string(processId) + kTempEnd;
    const std::string beside = path + "." + own;
    return beside.size() < MAX_PATH ? beside : FolderOf(path) + own;
}

bool IsLogTempName(const std::string& name)
{
    const std::size_t mark = name.rfind(kTempMark);
    if (mark == std::string::npos || (mark > 0 && name[mark - 1] != '.'))
        return false;
    const std::size_t digits = mark + sizeof kTempMark - 1;
    const std::size_t end = name.size() - (sizeof kTempEnd - 1);
    // At least one digit between the mark and the end.
    if (name.size() < digits + sizeof kTempEnd || name.compare(end, std::string::npos, kTempEnd) != 0)
        return false;
    for (std::size_t i = digits; i < end; ++i) {
        if (name[i] < '0' || name[i] > '9')
            return false;
    }
    return true;
}

CLogFile::~CLogFile()
{
    if (IsOpen()) {
        m_file.Reset();
        DeleteFileA(m_tempPath.c_str());
    }
}

bool CLogFile::Open(const std::string& path)
{
    m_failed = false;
    m_path = path;
    const std::string folder = FolderOf(path);
    if (path.size() == folder.size())
        return false;  // no file name
    m_tempPath = LogTempPath(path, GetCurrentProcessId());
    RemoveLeftovers(folder);
    if (!CanReplace(path))
        return false;
    // CREATE_NEW: a file of that name that is still there is another run's, open, and not ours.
    m_file.Reset(CreateFileA(m_tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
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
        if (!WriteFile(m_file.Get(), bytes.data() + done, chunk, &written, nullptr)) {
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
    if (!IsOpen()) {
        m_failed = true;
        return false;
    }
    // On disk before the name moves, so that a power loss cannot leave the name on an empty file.
    if (!m_failed && !FlushFileBuffers(m_file.Get()))
        m_failed = true;
    if (!CloseHandle(m_file.Release()))
        m_failed = true;
    if (!m_failed && !MoveIntoPlace(m_tempPath, m_path))
        m_failed = true;
    if (m_failed)
        DeleteFileA(m_tempPath.c_str());
    return !m_failed;
}
