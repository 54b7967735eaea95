// Lanternpane: shows the page named by its command line in a window with the
// system's web-browser control.
#include <windows.h>

#include <commctrl.h>
#include <ole2.h>

#include <string>

#include "helpviewer/BrowserWindow.h"
#include "wingui/ComApartment.h"
#include "wingui/MessagePump.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    ComApartment ole(ComApartment::Kind::Ole);
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = 0x9FFF;
    InitCommonControlsEx(&controls);

    int exitCode = 1;
    {
        lanternpane::CBrowserWindow browserWindow;
        HWND window = browserWindow.create(instance);
        if (window != nullptr) {
            ShowWindow(window, SW_SHOW);
            UpdateWindow(window);
            ShowWindow(window, show);
            UpdateWindow(window);

            // The whole command line is the address, spaces and all.
            const char* address = commandLine != nullptr ? commandLine : "";
            browserWindow.navigate(address);
            std::string title = std::string(address) + " - " + lanternpane::kProgramTitle;
            if (browserWindow.getWindow() != nullptr) SetWindowTextA(window, title.c_str());

            exitCode = runMessageLoop();
        }
    }
    return exitCode;
}
