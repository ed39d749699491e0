#pragma once
// The program's one persistent setting lives in the current user's registry, below
// SOFTWARE\Talvek. Key paths are formed portably; the registry calls exist on Windows only.

#include <cstddef>
#include <cstdint>

enum LanguageSetting : std::uint32_t {
    LangNotSet = 0,
    LangGerman = 1,
    LangEnglish = 2,
};

// The setting a first start stores for the system's default language id: German for the five
// German ids (Germany, Switzerland, Austria, Luxembourg, Liechtenstein), English for all others.
LanguageSetting FirstStartLanguage(std::uint16_t systemLanguageId);

constexpr const char kProgramSubkey[] = "PCSC_Kardoskop_V21";
constexpr const char kLanguageValue[] = "Language";
constexpr std::size_t kKeyPathSize = 400;

// Joins the base path and `subkey` into `result` (of `size` bytes). False when it does not fit.
bool BuildKeyPath(char* result, std::size_t size, const char* subkey);

#ifdef _WIN32
#include <windows.h>

// The stored REG_DWORD, or `defaultValue` when the key or value is missing or of another type.
DWORD ReadDword(HKEY hive, const char* subkey, const char* valueName, DWORD defaultValue);

// Writes a REG_DWORD, creating the key with its missing parents. 1 when written, else 0.
int WriteValue(HKEY hive, const char* subkey, const char* valueName, const void* data, DWORD type);
#endif
