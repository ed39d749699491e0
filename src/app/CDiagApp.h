#pragma once
// The application object: chooses the language at start, runs the main dialog modally and
// unloads the English module at the end.

#include "win/App.h"
#include "win/Handles.h"

class CDiagApp : public CWinApp {
public:
    // The English module, empty when none is loaded. It outlives InitInstance's scope: every
    // window's texts and pictures come from it, until the instance exit frees it.
    CModule m_hLanguageDll;

protected:
    bool InitInstance() override;
    int ExitInstance() override;

private:
    void ChooseLanguage();
    void LoadEnglishModule();
};
