#include "pcsc/ReaderList.h"

std::vector<std::string> WalkReaderNames(const char* readers, std::uint32_t length)
{
    std::vector<std::string> names;
    if (readers == nullptr || length < 2)
        return names;

    auto nameAt = [&](std::uint32_t start) {
        std::uint32_t end = start;
        while (end < length && readers[end] != '\0')
            ++end;
        return std::string(readers + start, end - start);
    };

    for (std::uint32_t i = 0; i + 1 < length; ++i) {
        if (i == 0)
            names.push_back(nameAt(0));
        if (readers[i] == '\0' && readers[i + 1] != '\0')
            names.push_back(nameAt(i + 1));
    }
    return names;
}
