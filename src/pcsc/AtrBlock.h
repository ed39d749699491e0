#pragma once
// The AtrBlock that carries a card's answer from the status monitor to the reader page, the log
// and the ATR decoder: byte 0 the ATR length n, bytes 1 to n the ATR. Portable.

// The longest answer a block carries; the monitor cuts a longer one from the resource manager to
// this, and the decoder reads no further.
constexpr unsigned kMaxAtrLength = 36;
constexpr unsigned kAtrBlockSize = kMaxAtrLength + 1;

// The longest ATR a card can give: TS, T0, 16 interface characters and 15 historical bytes.
constexpr unsigned kLongestCardAtr = 33;

// What a card report's length byte says about its answer.
enum class AtrLengthKind {
    NoAtr,    // 0: the card gave no answer
    CardAtr,  // 1 to kLongestCardAtr
    TooLong,  // above kLongestCardAtr: longer than an ATR can be
};

AtrLengthKind ClassifyAtrLength(unsigned length);
