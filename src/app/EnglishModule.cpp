#include "app/EnglishModule.h"

HMODULE OpenResourceModule(const std::string& path)
{
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
}
