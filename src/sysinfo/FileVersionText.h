#pragma once
// The portable half of the version queries: the value paths of a version resource, the numbers of
// its fixed record, and the program's own version text.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr char kProgramVersionPrefix[] = "PC/SC Kardoskop v";
// The fixed title: message-box captions, and the caption when the version cannot be read.
constexpr char kProgramTitle[] = "PC/SC Kardoskop v2.1";

// The forms of GetProgramVersionText.
enum ProgramVersionForm : int {
    VersionFull = 1,   // a.b.c.d
    VersionShort = 2,  // a.b
};

// File version a.b.c.d of a fixed record.
struct FileVersionNumbers {
    std::uint16_t a = 0;
    std::uint16_t b = 0;
    std::uint16_t c = 0;
    std::uint16_t d = 0;
};

// a is the high and b the low half of dwFileVersionMS; c and d likewise of dwFileVersionLS.
FileVersionNumbers SplitFileVersion(std::uint32_t fileVersionMs, std::uint32_t fileVersionLs);

// "\StringFileInfo\llllcccc\<valueName>" for a translation entry, which holds the language id in its
// low and the code page in its high half; the key names the language first.
std::string StringFileInfoPath(std::uint32_t translation, const char* valueName);

// A string value as VerQueryValueA hands it out: `length` characters, normally counting the
// terminating NUL. The text ends at the first NUL or after `length` characters, whichever comes first.
std::string VersionValueText(const char* value, std::size_t length);

// "PC/SC Kardoskop v" with a.b.c.d (VersionFull) or a.b (VersionShort) in decimal. False, and
// `text` empty, for any other form.
bool FormatProgramVersion(const FileVersionNumbers& version, int form, std::string& text);
