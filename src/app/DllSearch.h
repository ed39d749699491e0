#pragma once
// The library search order of the process. Windows only.

// Takes the current directory out of the search for DLLs loaded by bare name: a shortcut or a
// command prompt may start the program in any folder (a downloads folder, say), the save dialog
// moves the current directory to wherever the user saves the log, and a DLL lying there must never
// be loaded in place of the vendor's. The program's own directory, the system directories and the
// path are still searched. Call it before anything is loaded by name.
// Both functions are looked up at run time: older systems have neither. False when neither took.
bool TakeCurrentDirectoryOutOfDllSearch();
