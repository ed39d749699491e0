#pragma once
// Input and output of the atr_rows tool, apart from its main for the unit tests: reading an ATR
// from a hex line and writing decoded rows as UTF-8.

#include <string>
#include <vector>

// Reads the bytes of `line`: pairs of hex digits, blanks between pairs optional, a trailing CR
// ignored. False with a reason in `error` for anything else and for fewer than 1 or more than
// 36 bytes.
bool ParseAtrHex(const std::string& line, std::vector<unsigned char>& atr, std::string& error);

// Windows-1252 text as UTF-8. Bytes that Windows-1252 leaves undefined are written as \xHH.
std::string PropertyToUtf8(const std::string& text);

// As PropertyToUtf8, and also control bytes (below 0x20 and 0x7F) as \xHH and the backslash as
// \\, so that every value stays on its line and reads back without doubt.
std::string ValueToUtf8(const std::string& text);

// One line per row, property TAB value, then an empty line.
std::string FormatRows(const std::vector<std::string>& rows);
