#include "app/CDiagApp.h"

#include <windows.h>

// The one application object.
CDiagApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunApplication(instance);
}
