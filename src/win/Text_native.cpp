#include "win/Text.h"

#include <algorithm>
#include <iterator>

namespace {
struct TextEntry {
    unsigned id;
    // cppcheck-suppress unusedStructMember ; LoadText returns it (cppcheck does not see the read)
    const char* text;
};

// Generated at build time from res/PCSC_Kardoskop.rc, converted to Windows-1252, sorted by id.
constexpr TextEntry kTexts[] = {
#include "TextTable.inc"
};
}  // namespace

std::string LoadText(unsigned id)
{
    const auto entry = std::lower_bound(std::begin(kTexts), std::end(kTexts), id,
                                        [](const TextEntry& e, unsigned key) { return e.id < key; });
    if (entry == std::end(kTexts) || entry->id != id)
        return std::string();
    return entry->text;
}
