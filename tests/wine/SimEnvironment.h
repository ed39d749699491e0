#pragma once
// The simulated winscard.dll as a test drives it: scenario files in a private temporary folder,
// named to the DLL through KARDOSKOP_SCENARIO, and its call journal (KARDOSKOP_SIM_JOURNAL). The
// DLL reads both variables at every call, so they take effect at once.

#include "ReplaceFile.h"

#include <windows.h>

#include <cstddef>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class SimEnvironment {
public:
    SimEnvironment()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        static unsigned s_serial = 0;
        m_folder = std::string(temp) + "kardoskop-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(++s_serial);
        CreateDirectoryA(m_folder.c_str(), nullptr);
        m_journal = m_folder + "\\journal.txt";
        SetEnvironmentVariableA("KARDOSKOP_SIM_JOURNAL", m_journal.c_str());
        SetEnvironmentVariableA("KARDOSKOP_SCENARIO", nullptr);
    }

    ~SimEnvironment()
    {
        SetEnvironmentVariableA("KARDOSKOP_SCENARIO", nullptr);
        SetEnvironmentVariableA("KARDOSKOP_SIM_JOURNAL", nullptr);
        for (const std::string& file : m_files)
            DeleteFileA(file.c_str());
        DeleteFileA(m_journal.c_str());
        RemoveDirectoryA(m_folder.c_str());
    }

    SimEnvironment(const SimEnvironment&) = delete;
    SimEnvironment& operator=(const SimEnvironment&) = delete;

    // A new scenario under a new name: the DLL's injection counts start again.
    void UseScenario(const std::string& text)
    {
        m_scenario = NewFile(text);
        SetEnvironmentVariableA("KARDOSKOP_SCENARIO", m_scenario.c_str());
    }

    // The scenario renamed over the one in use, as a test changes cards while a program runs.
    // False when the rename failed: the simulated DLL must never keep the file open for long.
    bool ReplaceScenario(const std::string& text)
    {
        return ReplaceFileWhenFree(NewFile(text), m_scenario);
    }

    std::vector<std::string> JournalLines() const
    {
        std::ifstream in(m_journal, std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    // Journal lines that start with `call` (a function name, perhaps with its first arguments).
    std::size_t JournalCount(const std::string& call) const
    {
        std::size_t count = 0;
        for (const std::string& line : JournalLines())
            count += line.compare(0, call.size(), call) == 0;
        return count;
    }

    void ClearJournal() const { DeleteFileA(m_journal.c_str()); }

private:
    std::string NewFile(const std::string& text)
    {
        const std::string path = m_folder + "\\scenario-" + std::to_string(m_files.size()) + ".txt";
        std::ofstream(path, std::ios::binary) << text;
        m_files.push_back(path);
        return path;
    }

    std::string m_folder;
    std::string m_journal;
    std::string m_scenario;
    std::vector<std::string> m_files;
};
