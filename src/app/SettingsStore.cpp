#include "app/SettingsStore.h"

#include <cstring>

namespace {
char g_basePath[260] = "SOFTWARE\\Talvek";
}

LanguageSetting FirstStartLanguage(std::uint16_t systemLanguageId)
{
    switch (systemLanguageId) {
    case 0x0407:
    case 0x0807:
    case 0x0C07:
    case 0x1007:
    case 0x1407:
        return LangGerman;
    default:
        return LangEnglish;
    }
}

bool BuildKeyPath(char* result, std::size_t size, const char* subkey)
{
    const std::size_t baseLength = std::strlen(g_basePath);
    const std::size_t subLength = subkey ? std::strlen(subkey) : 0;
    if (size < 2 || subLength + baseLength >= size - 2)
        return false;
    std::memcpy(result, g_basePath, baseLength + 1);
    if (subLength == 0)
        return true;
    std::size_t at = baseLength;
    if (baseLength > 0)
        result[at++] = '\\';
    std::memcpy(result + at, subkey, subLength + 1);
    return true;
}

#ifdef _WIN32
DWORD ReadDword(HKEY hive, const char* subkey, const char* valueName, DWORD defaultValue)
{
    char path[kKeyPathSize];
    if (!BuildKeyPath(path, sizeof path, subkey))
        return defaultValue;
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return defaultValue;
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof value;
    LONG rc = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value ? value : defaultValue;
}

int WriteValue(HKEY hive, const char* subkey, const char* valueName, const void* data, DWORD type)
{
    char path[kKeyPathSize];
    if (!BuildKeyPath(path, sizeof path, subkey))
        return 0;
    // A missing key is created (with its parents) and the write tried once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        HKEY key = nullptr;
        LONG rc = RegOpenKeyExA(hive, path, 0, KEY_WRITE, &key);
        if (rc == ERROR_SUCCESS) {
            LONG set = RegSetValueExA(key, valueName, 0, type, static_cast<const BYTE*>(data), 4);
            RegCloseKey(key);
            return set == ERROR_SUCCESS ? 1 : 0;
        }
        if (rc != ERROR_FILE_NOT_FOUND || attempt > 0)
            return 0;
        HKEY created = nullptr;
        if (RegCreateKeyA(hive, path, &created) != ERROR_SUCCESS)
            return 0;
        RegCloseKey(created);
    }
    return 0;
}
#endif
