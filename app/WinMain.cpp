#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "MainWindow.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    bool comReady = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x9FFF};
    InitCommonControlsEx(&controls);
    int result = Tarnwick_Run();
    if (comReady) CoUninitialize();
    return result;
}
