#pragma once
// What the General page shows, apart from the window: the reader-names text, the system files in
// the order they are queried, and the texts kept per file. Portable, so it is tested natively.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Capacity of the page's version and maker fields: 49 characters and the terminating NUL.
constexpr std::size_t kFileTextSize = 50;

// The supported readers of the multi-string, one per line ("\r\n" between names, none before or
// after). Without a reader list (`hasReaders` false) the text is `noReadersText`. A missing or empty
// multi-string yields no names.
std::string ComposeReadersText(bool hasReaders, const char* readers, std::uint32_t length,
                               const std::string& noReadersText);

struct SystemFile {
    const char* queryPath;  // relative to the system directory, starting with a backslash
    const char* shownName;  // file name shown in the list and kept for the log
};

// The smart-card files in query order: the resource-manager service (a DLL on Vista only, the
// program file on every other system), the driver library, the PC/SC library.
std::array<SystemFile, 3> SystemFilesToQuery(bool isVista);

// Copies at most kFileTextSize - 1 characters of `text` into `field` and fills the rest with NULs.
void CopyFileText(char (&field)[kFileTextSize], const std::string& text);

// Appends the three log texts of one file: its name, its version, and its maker, or the empty text
// when the maker equals the version (which is how an unreadable file, "nicht verfügbar" twice,
// is logged).
void AppendFileInfo(std::vector<std::string>& fileInfo, const std::string& name, const char* version,
                    const char* maker);
