#include "sysinfo/FileVersionText.h"

#include <cstdio>
#include <cstring>

FileVersionNumbers SplitFileVersion(std::uint32_t fileVersionMs, std::uint32_t fileVersionLs)
{
    FileVersionNumbers version;
    version.a = static_cast<std::uint16_t>(fileVersionMs >> 16);
    version.b = static_cast<std::uint16_t>(fileVersionMs & 0xFFFFu);
    version.c = static_cast<std::uint16_t>(fileVersionLs >> 16);
    version.d = static_cast<std::uint16_t>(fileVersionLs & 0xFFFFu);
    return version;
}

std::string StringFileInfoPath(std::uint32_t translation, const char* valueName)
{
    const std::uint32_t language = translation & 0xFFFFu;
    const std::uint32_t codePage = translation >> 16;
    char key[16];  // eight digits
    (void)std::snprintf(key, sizeof key, "%08lx", static_cast<unsigned long>((language << 16) | codePage));
    return std::string("\\StringFileInfo\\") + key + "\\" + (valueName ? valueName : "");
}

std::string VersionValueText(const char* value, std::size_t length)
{
    if (value == nullptr)
        return std::string();
    const void* end = std::memchr(value, '\0', length);
    return std::string(value, end ? static_cast<const char*>(end) - value : length);
}

bool FormatProgramVersion(const FileVersionNumbers& version, int form, std::string& text)
{
    text.clear();
    char numbers[32];  // room for four 16-bit parts
    if (form == VersionFull)
        (void)std::snprintf(numbers, sizeof numbers, "%u.%u.%u.%u", unsigned{version.a}, unsigned{version.b},
                      unsigned{version.c}, unsigned{version.d});
    else if (form == VersionShort)
        (void)std::snprintf(numbers, sizeof numbers, "%u.%u", unsigned{version.a}, unsigned{version.b});
    else
        return false;
    text = std::string(kProgramVersionPrefix) + numbers;
    return true;
}
