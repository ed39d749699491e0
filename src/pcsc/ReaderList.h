#pragma once
// The reader multi-string: names separated by one NUL, the whole ended by an extra NUL, with its
// length in characters as SCardListReadersA reports it.

#include <cstdint>
#include <string>
#include <vector>

// Walks the multi-string and returns the names in the order in which they stand. Position 0 is
// always a start (so a list that begins with NUL yields an empty first name); later names start
// after a NUL that is followed by a non-NUL byte; the last byte is never a start. No byte at or
// beyond `length` is read, also when the list does not end in two NULs.
std::vector<std::string> WalkReaderNames(const char* readers, std::uint32_t length);
