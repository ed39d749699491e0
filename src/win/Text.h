#pragma once
// The program's texts. Every user-visible text is loaded by id at the moment it is shown, so the
// resource module in use decides the words. Texts are bytes in the ANSI code page (Windows-1252),
// exactly as LoadStringA delivers them; natively they come from a table generated from the German
// string table.

#include "win/TextSource.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

// The string-table text `id` of the resource module in use; empty when the module lacks it.
std::string LoadText(unsigned id);

#ifdef _WIN32
// The module from which texts (and later dialogs, bitmaps and icons) are loaded: the program's own
// until start-up chooses another. Set once, before any window or thread exists.
void SetResourceModule(HINSTANCE module);
HINSTANCE ResourceModule();
#endif
