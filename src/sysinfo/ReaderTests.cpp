#include "sysinfo/ReaderTests.h"

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
