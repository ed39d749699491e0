#include "sysinfo/ReaderTests.h"

#include <cstdio>

namespace {

const char kMakerName[] = "Talvek";
const char kModel7150[] = "Morvex 7150";
const char kModel7260[] = "Morvex 7260";
const char kContactlessMark[] = "-RF";

// The maker's name and the blank after it.
constexpr std::size_t kMakerPrefixLength = 7;

bool Contains(const std::string& text, const char* pattern)
{
    return text.find(pattern) != std::string::npos;
}

bool IsSupportedModel(const std::string& readerName)
{
    return Contains(readerName, kModel7150) || Contains(readerName, kModel7260);
}

}  // namespace

bool IsSupportedReader(const std::string& readerName)
{
    return Contains(readerName, kMakerName) || IsSupportedModel(readerName);
}

bool IsContactlessReader(const std::string& readerName)
{
    return Contains(readerName, kContactlessMark);
}

std::string ReaderDisplayName(const std::string& readerName)
{
    std::string display;
    if (Contains(readerName, kMakerName)) {
        if (readerName.size() > kMakerPrefixLength)
            display = readerName.substr(kMakerPrefixLength);
    } else if (IsSupportedModel(readerName)) {
        display = readerName;
    }
    if (display.size() > kMaxDisplayNameLength)
        display.resize(kMaxDisplayNameLength);
    return display;
}

std::string VersionText(std::uint32_t value)
{
    char digits[9];
    const int count = std::snprintf(digits, sizeof digits, "%x", static_cast<unsigned>(value));

    // Layout d1.d2d3.d4d5.d6d7: a point follows digits 1, 3 and 5 whenever that digit exists, so a
    // short value ends in its point ("0.", "1.02.03.").
    std::string text;
    for (int i = 0; i < count && i < 7; ++i) {
        text += digits[i];
        if (i == 0 || i == 2 || i == 4)
            text += '.';
    }
    return text;
}
