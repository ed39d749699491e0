#include "app/CDiagApp.h"
#include "app/DllSearch.h"

#include <windows.h>

// The one application object.
CDiagApp theApp;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // Before any window and any load by name: the vendor DLL is loaded by its bare name.
    TakeCurrentDirectoryOutOfDllSearch();
    return RunApplication(instance);
}
