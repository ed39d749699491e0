#include "app/CDiagApp.h"

#include "app/EnglishModule.h"
#include "app/ModuleName.h"
#include "app/SettingsStore.h"
#include "ui/CMainDlg.h"
#include "win/Text.h"

bool CDiagApp::InitInstance()
{
    ChooseLanguage();

    CMainDlg dialog;
    dialog.DoModal(nullptr);
    return false;
}

void CDiagApp::ChooseLanguage()
{
    DWORD language = ReadDword(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, LangNotSet);
    if (language == LangNotSet) {
        // The first start stores the choice for the next one; this run stays German.
        DWORD choice = FirstStartLanguage(GetSystemDefaultLangID());
        WriteValue(HKEY_CURRENT_USER, kProgramSubkey, kLanguageValue, &choice, REG_DWORD);
    } else if (language == LangEnglish) {
        LoadEnglishModule();
    }
}

// Loaded from the program's own directory by its full path, as resources only: a DLL of that name
// planted in the current directory or on the path is never loaded, and no code of the module runs.
void CDiagApp::LoadEnglishModule()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(Module(), path, sizeof path);
    const std::string moduleName = EnglishModuleName(path);
    const std::string fullPath = ProgramDirectory(path) + moduleName;

    m_hLanguageDll.Reset(OpenResourceModule(fullPath));
    if (m_hLanguageDll) {
        SetResourceModule(m_hLanguageDll.Get());
        return;
    }
    const std::string message = "Cannot open DLL " + moduleName + ".";
    MessageBoxA(nullptr, message.c_str(), Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
}

int CDiagApp::ExitInstance()
{
    m_hLanguageDll.Reset();
    return CWinApp::ExitInstance();
}
