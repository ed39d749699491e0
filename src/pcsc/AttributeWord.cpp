#include "pcsc/AttributeWord.h"

namespace {

std::uint32_t FirstWord(const BYTE* bytes, DWORD length)
{
    const DWORD count = length < 4 ? length : 4;
    std::uint32_t value = 0;
    // cppcheck-suppress knownConditionTrueFalse ; false only for a length of 0, true otherwise
    for (DWORD i = 0; i < count; ++i)
        value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

}  // namespace

std::uint32_t ReadAttributeWord(const GetAttribCall& getAttrib, const FreeMemoryCall& freeMemory)
{
    // With SCARD_AUTOALLOCATE the resource manager allocates the buffer and writes its address
    // where the buffer would be. pcsc-lite hands out that buffer before it asks the reader, so it
    // is freed whatever the answer (a null buffer is freed as a no-op).
    LPBYTE allocated = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    LONG rv = getAttrib(reinterpret_cast<LPBYTE>(&allocated), &length);
    std::uint32_t value = 0;
    if (rv == SCARD_S_SUCCESS && allocated != nullptr)
        value = FirstWord(allocated, length);
    freeMemory(allocated);
    if (rv != SCARD_E_INSUFFICIENT_BUFFER)
        return value;

    // A layer that passes SCARD_AUTOALLOCATE on to pcsc-lite as a plain length (Wine's winscard
    // does) makes it look like a caller buffer of 4 GB, more than pcsc-lite accepts. Ask once more
    // with a fixed buffer rather than a length query first: a null-buffer query travels the same
    // untrusted path, takes a second round trip, and its answer would size an allocation. The
    // attributes read here are 32-bit words; 32 bytes leave room for longer ones and stay far below
    // pcsc-lite's limit (264). The reported length is trusted only within the buffer.
    BYTE buffer[kAttributeBufferSize] = {};
    length = kAttributeBufferSize;
    rv = getAttrib(buffer, &length);
    if (rv != SCARD_S_SUCCESS || length > kAttributeBufferSize)
        return 0;
    return FirstWord(buffer, length);
}
