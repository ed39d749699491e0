#pragma once
// Reading a reader attribute as a 32-bit word, apart from the card connection, so that the two ways
// of asking can be tested against a stand-in of SCardGetAttrib.

#include "pcsc/PcscApi.h"

#include <cstdint>
#include <functional>

// One SCardGetAttrib on a connected card, with the buffer and length as the API takes them.
using GetAttribCall = std::function<LONG(LPBYTE pbAttr, LPDWORD pcbAttrLen)>;
// SCardFreeMemory on the context for memory that the resource manager handed out.
using FreeMemoryCall = std::function<void(LPBYTE memory)>;

// Size of the program's own attribute buffer for the second ask.
constexpr DWORD kAttributeBufferSize = 32;

// The first 32-bit little-endian word of the attribute; an attribute shorter than four bytes is
// taken as far as it goes. 0 on any failure. Asks with SCARD_AUTOALLOCATE, and only when that is
// answered with SCARD_E_INSUFFICIENT_BUFFER once more with a buffer of kAttributeBufferSize bytes.
std::uint32_t ReadAttributeWord(const GetAttribCall& getAttrib, const FreeMemoryCall& freeMemory);
