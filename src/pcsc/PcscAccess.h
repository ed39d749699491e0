#pragma once
// Stateless wrapper of the PC/SC calls. Every operation takes the caller's variables by reference
// and writes its results there; the main dialog owns the one instance and the data.

#include "pcsc/PcscApi.h"

#include <cstdint>
#include <string>
#include <vector>

class CPcscAccess {
public:
    // Size of the buffer that ReadUid's caller supplies.
    static constexpr unsigned kUidBufferSize = 255;

    // SCardEstablishContext with system scope; stores the code in `result` and returns it.
    PcscResult EstablishContext(SCARDCONTEXT& hContext, PcscResult& result);

    // Fetches the reader multi-string into a heap buffer (malloc; the caller frees it with free).
    // True when the resource manager answered, with readers (`available` true) or without.
    bool ListReaders(SCARDCONTEXT hContext, std::uint32_t& length, char*& readers, bool& available);

    // SCardCancel on the context.
    PcscResult Cancel(SCARDCONTEXT hContext);

    // Connects to the card in `readerName`, sends Get Data (FF CA 00 00 00) and hands back the UID:
    // `uid` receives `count` bytes (it must hold kUidBufferSize bytes). False leaves both untouched.
    bool ReadUid(SCARDCONTEXT hContext, const char* readerName, unsigned char* uid, int& count);

    // Decodes the AtrBlock `atr` of the card in `readerName` into `rows` (property and value
    // alternating), with the reader's current clock read through a connection of its own.
    void DecodeAtr(const SCARDCONTEXT& hContext, const char* readerName, bool contactless,
                   const unsigned char* atr, std::vector<std::string>& rows);

    // Connects shared to the card in `readerName` for one SCardGetAttrib and returns the first
    // 32-bit little-endian word of the attribute; 0 on any failure.
    std::uint32_t ReadReaderAttribute(const char* readerName, SCARDCONTEXT hContext, DWORD attrId);

    // Standard and card name of a contactless card from its `count` historical bytes; both
    // buffers hold kContactlessTextSize (260) bytes and are cleared by the caller. False for fewer
    // than 11 bytes. Makes no PC/SC call.
    bool IdentifyContactlessCard(const unsigned char* historical, int count, char* standardText,
                                 char* cardNameText);
};
