#pragma once
// Bytes as the window and the log show them: two lower-case hexadecimal digits per byte, one blank
// between bytes, none at either end (n bytes give 3n - 1 characters).

#include <cstddef>
#include <string>

std::string HexLine(const unsigned char* bytes, std::size_t count);
