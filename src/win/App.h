#pragma once
// The application base. The program defines one global object of a class derived from CWinApp;
// its WinMain only calls RunApplication, which runs InitInstance, the message loop when
// InitInstance asked for one, and ExitInstance, whose result ends the process.

#include <windows.h>

#include <string>

class CWinApp {
public:
    CWinApp() noexcept;
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The one application object, or null before it is constructed.
    static CWinApp* Instance();

    HINSTANCE Module() const { return m_module; }
    // The program file's name without directory and extension (the title of message boxes).
    const std::string& Title() const { return m_title; }
    HWND MainWindow() const { return m_mainWindow; }
    void SetMainWindow(HWND hWnd) { m_mainWindow = hWnd; }

    int Run(HINSTANCE module);

protected:
    // False: no message loop runs; ExitInstance follows at once.
    virtual bool InitInstance() = 0;
    // The process's exit code; the base returns the code of the message loop's WM_QUIT, else 0.
    virtual int ExitInstance();

private:
    HINSTANCE m_module = nullptr;
    HWND m_mainWindow = nullptr;
    std::string m_title;
    int m_quitCode = 0;
};

// What WinMain returns: runs the application object (0 when there is none).
int RunApplication(HINSTANCE module);
