#include "win/App.h"

#include <commctrl.h>

#include <cstring>

namespace {
CWinApp* g_app = nullptr;

std::string TitleOfModule(HINSTANCE module)
{
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    const char* name = std::strrchr(path, '\\');
    name = name != nullptr ? name + 1 : path;
    std::string title(name);
    const std::string::size_type dot = title.rfind('.');
    if (dot != std::string::npos)
        title.erase(dot);
    return title;
}
}  // namespace

CWinApp::CWinApp() noexcept
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* CWinApp::Instance()
{
    return g_app;
}

int CWinApp::Run(HINSTANCE module)
{
    m_module = module;
    m_title = TitleOfModule(module);

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES;
    ::InitCommonControlsEx(&controls);

    if (InitInstance()) {
        MSG message{};
        while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
            if (m_mainWindow != nullptr && ::IsDialogMessageA(m_mainWindow, &message))
                continue;
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        m_quitCode = static_cast<int>(message.wParam);
    }
    return ExitInstance();
}

int CWinApp::ExitInstance()
{
    return m_quitCode;
}

int RunApplication(HINSTANCE module)
{
    return g_app != nullptr ? g_app->Run(module) : 0;
}
