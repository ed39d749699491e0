#include "ui/CGeneralPageTexts.h"

#include <cstring>

#include "pcsc/ReaderList.h"
#include "sysinfo/ReaderTests.h"

std::string ComposeReadersText(bool hasReaders, const char* readers, std::uint32_t length,
                               const std::string& noReadersText)
{
    if (!hasReaders)
        return noReadersText;
    std::string text;
    if (readers == nullptr || length == 0)
        return text;
    for (const std::string& name : WalkReaderNames(readers, length)) {
        if (!IsSupportedReader(name))
            continue;
        if (!text.empty())
            text += "\r\n";
        text += name;
    }
    return text;
}

std::array<SystemFile, 3> SystemFilesToQuery(bool isVista)
{
    const SystemFile service = isVista ? SystemFile{"\\scardsvr.dll", "scardsvr.dll"}
                                       : SystemFile{"\\scardsvr.exe", "scardsvr.exe"};
    return {service, SystemFile{"\\drivers\\smclib.sys", "smclib.sys"},
            SystemFile{"\\winscard.dll", "winscard.dll"}};
}

void CopyFileText(char (&field)[kFileTextSize], const std::string& text)
{
    std::memset(field, 0, kFileTextSize);
    text.copy(field, kFileTextSize - 1);
}

void AppendFileInfo(std::vector<std::string>& fileInfo, const std::string& name, const char* version,
                    const char* maker)
{
    fileInfo.push_back(name);
    fileInfo.emplace_back(version);
    fileInfo.emplace_back(std::strcmp(maker, version) != 0 ? maker : "");
}
