#include "win/Text.h"

#include <vector>

namespace {
HINSTANCE g_resourceModule = nullptr;

// String-table entries hold at most 65535 UTF-16 units; a buffer twice that size holds every
// entry in any ANSI code page.
constexpr int kMaxTextBytes = 2 * 65536;
}  // namespace

void SetResourceModule(HINSTANCE module)
{
    g_resourceModule = module;
}

HINSTANCE ResourceModule()
{
    return g_resourceModule != nullptr ? g_resourceModule : GetModuleHandleA(nullptr);
}

std::string LoadText(unsigned id)
{
    // LoadStringA truncates silently: a text that fills the buffer may have been cut, so try a
    // larger one.
    for (int size = 256; size <= kMaxTextBytes; size *= 2) {
        std::vector<char> buffer(static_cast<size_t>(size));
        const int length = LoadStringA(ResourceModule(), id, buffer.data(), size);
        if (length <= 0)
            return std::string();
        if (length < size - 1 || size == kMaxTextBytes)
            return std::string(buffer.data(), static_cast<size_t>(length));
    }
    return std::string();
}
