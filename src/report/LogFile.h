#pragma once
// The log file on disk (Windows only), written as the C runtime's text mode writes (every LF stored
// as CR LF). The report goes to a temporary file beside the chosen one, shared with nobody, and
// takes the chosen name only once it is complete: a run that does not finish (a vendor DLL that
// hangs, a kill from the task manager, a power loss) leaves the earlier file as it was, or no file
// where there was none. A write, close or rename that fails is remembered, so that the user can be
// told once the file is closed; the earlier file then stays too.

#include "win/Handles.h"

#include <windows.h>

#include <string>

// The temporary file of a report for `path` written by process `processId`: the chosen name
// followed by ".~kardoskop-PID.tmp" in the chosen folder ("PCSC_Kardoskop.log.~kardoskop-4242.tmp"),
// or "~kardoskop-PID.tmp" there when that path would be too long for the platform.
std::string LogTempPath(const std::string& path, DWORD processId);

// True for a file name that LogTempPath gives, whatever the chosen name and process.
bool IsLogTempName(const std::string& name);

class CLogFile {
public:
    CLogFile() = default;
    // A file still open here belongs to a run that did not finish: its temporary goes, the chosen
    // name stays as it was.
    ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    // Removes the temporaries that runs which did not finish left in the chosen folder, then opens
    // a new temporary there. False when the chosen file could not be replaced (a folder that cannot
    // be written, a read-only file, a file that another program holds open without letting it be
    // deleted); then nothing is written and the chosen name is left alone.
    bool Open(const std::string& path);

    // Writes `text` with its line ends converted. False when not all of it reached the file;
    // `description` then says why (the system's message, or a text of our own).
    bool Write(const std::string& text, std::string& description);

    // Closes the temporary and, when every write succeeded, gives it the chosen name in place of
    // the earlier file. A rename that another program's open handle blocks (a virus scanner, the
    // indexer, a sync client) is tried again for about two seconds. False when a write, the close
    // or the rename failed (or there was no open file); the temporary is then removed and the
    // earlier file stays.
    bool Close();

    bool IsOpen() const { return m_file.IsValid(); }
    // True when any write, the close or the rename has failed since Open.
    bool Failed() const { return m_failed; }

private:
    CFileHandle m_file;
    bool m_failed = false;
    std::string m_path;
    std::string m_tempPath;
};
