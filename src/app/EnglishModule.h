#pragma once
// Opening the English resource module. Windows only.

#include <windows.h>

#include <string>

// Maps the module at `path` (a full path) for its resources alone: no code of it runs and nothing
// it imports is loaded. Strings, dialog templates, bitmaps and icons load from the handle. Null
// when the file is missing or no module. Release it with FreeLibrary.
HMODULE OpenResourceModule(const std::string& path);
