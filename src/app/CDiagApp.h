#pragma once
// The application object: chooses the language at start, runs the main dialog modally and
// unloads the English module at the end.

#include "win/App.h"

#include <windows.h>

class CDiagApp : public CWinApp {
public:
    HMODULE m_hLanguageDll = nullptr;
    DWORD m_languageDllLoaded = 0;

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void ChooseLanguage();
    void LoadEnglishModule();
};
