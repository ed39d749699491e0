#pragma once
// Where pure code gets its texts from: LoadText (win/Text.h) in the program, a table of its own in
// a test. Texts are bytes in the ANSI code page, as LoadText delivers them. No platform headers,
// so the interfaces that take a TextSource stay portable.

#include <functional>
#include <string>

// The text with string-table id `id`; empty when there is none.
using TextSource = std::function<std::string(unsigned id)>;
