#pragma once
// Identification of a contactless storage card from the historical bytes of the ATR that the
// reader constructs for it: category 0x80, tag 0x4F, the PC/SC application provider
// A0 00 00 03 06, then the standard byte SS and the two card-name bytes NN.

#include "win/TextSource.h"

#include <cstddef>
#include <string>

// Size of each text buffer of CPcscAccess::IdentifyContactlessCard; texts hold at most one
// character less.
constexpr std::size_t kContactlessTextSize = 260;

// The standard in use for SS; empty for values without a name. SS 0x00 is a string-table text.
std::string ContactlessStandardText(unsigned char ss, const TextSource& text);

// The card product for NN = high low; empty for names not in the table.
std::string ContactlessCardName(unsigned char high, unsigned char low);

// False for fewer than 11 historical bytes. Otherwise true, with both texts empty when the header
// is not the PC/SC one, else the standard and the card name. Each text is cut to fit a buffer of
// kContactlessTextSize bytes.
bool IdentifyContactlessCard(const unsigned char* historical, std::size_t count,
                             const TextSource& text, std::string& standard,
                             std::string& cardName);
