#include "sysinfo/FileVersion.h"

#include "sysinfo/RedirectionOff.h"
#include "sysinfo/SysInfo.h"
#include "win/Handles.h"

#include <windows.h>

#include <cstring>
#include <vector>

namespace {

// Room for the system directory and the relative path together.
constexpr std::size_t kSystemPathMax = 255;

// A file's version resource, loaded whole for the queries of one call.
class VersionBlock {
public:
    explicit VersionBlock(const char* path)
    {
        const DWORD size = GetFileVersionInfoSizeA(path, nullptr);
        if (size == 0)
            return;
        m_data.assign(size, 0);
        if (!GetFileVersionInfoA(path, 0, size, m_data.data()))
            m_data.clear();
    }

    bool Loaded() const { return !m_data.empty(); }

    // The value at `subBlock` and its length; false when the resource has none.
    bool Query(const char* subBlock, const void*& value, UINT& length)
    {
        void* found = nullptr;
        length = 0;
        if (!VerQueryValueA(m_data.data(), subBlock, &found, &length) || found == nullptr)
            return false;
        value = found;
        return true;
    }

    bool QueryText(std::uint32_t translation, const char* valueName, std::string& text)
    {
        const void* value = nullptr;
        UINT length = 0;
        if (!Query(StringFileInfoPath(translation, valueName).c_str(), value, length))
            return false;
        text = VersionValueText(static_cast<const char*>(value), length);
        return true;
    }

private:
    std::vector<BYTE> m_data;
};

bool FileExists(const char* path)
{
    WIN32_FIND_DATAA found;
    return CFindHandle(FindFirstFileA(path, &found)).IsValid();
}

}  // namespace

RedirectionOff::RedirectionOff()
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (!kernel)
        return;
    using DisableFn = BOOL(WINAPI*)(PVOID*);
    const auto disable = reinterpret_cast<DisableFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    m_revert = reinterpret_cast<RevertFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    if (disable && m_revert)
        m_disabled = disable(&m_oldValue) == TRUE;
}

RedirectionOff::~RedirectionOff()
{
    if (m_disabled)
        m_revert(m_oldValue);
}

bool CSysInfo::GetSystemFileVersion(const char* relativePath, std::string& version,
                                    std::string& maker) const
{
    if (relativePath == nullptr)
        return false;
    char systemDir[MAX_PATH] = {};
    const UINT dirLength = GetSystemDirectoryA(systemDir, sizeof systemDir);
    if (dirLength == 0 || dirLength >= sizeof systemDir)
        return false;
    const std::string fullPath = std::string(systemDir) + relativePath;
    if (fullPath.size() > kSystemPathMax)
        return false;

    RedirectionOff redirectionOff;
    return FileExists(fullPath.c_str()) && ReadVersionStrings(fullPath.c_str(), version, maker);
}

bool CSysInfo::ReadVersionStrings(const char* fullPath, std::string& version, std::string& maker) const
{
    VersionBlock block(fullPath);
    if (!block.Loaded())
        return false;

    const void* value = nullptr;
    UINT length = 0;
    if (!block.Query("\\VarFileInfo\\Translation", value, length) || length < sizeof(DWORD))
        return false;
    DWORD translation = 0;
    std::memcpy(&translation, value, sizeof translation);

    // The maker is read first, so a file without FileVersion leaves it filled.
    if (!block.QueryText(translation, "CompanyName", maker))
        return false;
    std::string fileVersion;
    if (!block.QueryText(translation, "FileVersion", fileVersion))
        return false;
    version = fileVersion;
    return true;
}

bool ReadFixedFileVersion(const char* path, WORD& a, WORD& b, WORD& c, WORD& d)
{
    VersionBlock block(path);
    if (!block.Loaded())
        return false;
    const void* value = nullptr;
    UINT length = 0;
    if (!block.Query("\\", value, length) || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    const FileVersionNumbers numbers = SplitFileVersion(fixed.dwFileVersionMS, fixed.dwFileVersionLS);
    a = numbers.a;
    b = numbers.b;
    c = numbers.c;
    d = numbers.d;
    return true;
}

bool GetModuleVersionText(HMODULE module, std::string& text, int form)
{
    text.clear();
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(module, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return false;
    FileVersionNumbers numbers;
    if (!ReadFixedFileVersion(path, numbers.a, numbers.b, numbers.c, numbers.d))
        return false;
    return FormatProgramVersion(numbers, form, text);
}

bool GetProgramVersionText(std::string& text, int form)
{
    return GetModuleVersionText(nullptr, text, form);
}
