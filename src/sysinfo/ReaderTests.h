#pragma once
// Tests on a PC/SC reader name: which readers the tool examines, which of them are contactless, and
// under which text they are listed.

#include <cstddef>
#include <string>

// The longest text ReaderDisplayName returns.
constexpr std::size_t kMaxDisplayNameLength = 99;

// True when the name carries the maker's name or one of the two supported model families
// (case-sensitive, anywhere in the name).
bool IsSupportedReader(const std::string& readerName);

// True when the name marks a contactless reader.
bool IsContactlessReader(const std::string& readerName);

// The text under which a reader is listed: a name with the maker's name loses its first seven
// characters (maker and blank, wherever the maker's name stands), a supported model keeps its whole
// name, any other name gives "". Never longer than kMaxDisplayNameLength.
std::string ReaderDisplayName(const std::string& readerName);

