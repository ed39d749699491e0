#pragma once
// Helpers of the system-information tests: the folder of the test program, where the crafted
// version DLLs and versionprobe.exe lie, and runs of versionprobe.exe under a Windows version that
// Wine emulates for it alone (HKCU\Software\Wine\AppDefaults\versionprobe.exe, value Version).

#include <windows.h>

#include <cstring>
#include <map>
#include <string>

inline std::string TestBinDir()
{
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path, length);
    return dir.substr(0, dir.find_last_of('\\'));
}

inline std::string TestBinFile(const char* name)
{
    return TestBinDir() + "\\" + name;
}

// The probe's answers, by label ("full", "short", "os", "vista"); empty when it could not run.
// `windowsVersion` is a Wine version name ("winxp", "vista") or nullptr for the prefix's own.
inline std::map<std::string, std::string> RunVersionProbe(const char* windowsVersion)
{
    const char kAppKey[] = "Software\\Wine\\AppDefaults\\versionprobe.exe";
    if (windowsVersion) {
        HKEY key = nullptr;
        if (RegCreateKeyA(HKEY_CURRENT_USER, kAppKey, &key) != ERROR_SUCCESS)
            return {};
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(windowsVersion),
                       static_cast<DWORD>(std::strlen(windowsVersion) + 1));
        RegCloseKey(key);
    }

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    std::string output;
    if (CreatePipe(&readEnd, &writeEnd, &inherit, 0)) {
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        PROCESS_INFORMATION process{};
        std::string commandLine = "\"" + TestBinFile("versionprobe.exe") + "\"";
        const BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0,
                                            nullptr, nullptr, &startup, &process);
        CloseHandle(writeEnd);
        if (started) {
            char chunk[512];
            DWORD got = 0;
            while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
                output.append(chunk, got);
            WaitForSingleObject(process.hProcess, 10000);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
        CloseHandle(readEnd);
    }
    if (windowsVersion)
        RegDeleteKeyA(HKEY_CURRENT_USER, kAppKey);

    std::map<std::string, std::string> answers;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\n', start);
        if (end == std::string::npos)
            end = output.size();
        std::string line = output.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            answers[line.substr(0, equals)] = line.substr(equals + 1);
        start = end + 1;
    }
    return answers;
}
