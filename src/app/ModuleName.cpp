#include "app/ModuleName.h"

namespace {
size_t FileNameStart(const std::string& path)
{
    size_t separator = path.find_last_of("\\/:");
    return separator == std::string::npos ? 0 : separator + 1;
}
}  // namespace

std::string EnglishModuleName(const std::string& programPath)
{
    std::string name = programPath.substr(FileNameStart(programPath));
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name + "ENU.dll";
}

std::string ProgramDirectory(const std::string& programPath)
{
    return programPath.substr(0, FileNameStart(programPath));
}
