#pragma once
// The ATR decoder: an AtrBlock (length byte n, then n ATR bytes) and the reader's clock become the
// detail rows that the reader pages and the log file show, held as texts in which property and
// value alternate.

#include "pcsc/AtrBlock.h"
#include "win/TextSource.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Replaces `rows` by the decoded rows. Reads the length byte of `atr` and at most that many (and
// at most kMaxAtrLength) bytes after it; the interface characters and historical bytes that the
// ATR announces beyond its end read as 0x00. `clockKhz` is the reader's current clock, 0 when
// the reader gives none. `contactless` selects the rows of a contactless reader. Labels and
// several values come from `text`.
void DecodeAtrRows(const unsigned char* atr, std::uint32_t clockKhz, bool contactless,
                   const TextSource& text, std::vector<std::string>& rows);
