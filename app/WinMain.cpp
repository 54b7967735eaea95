#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include <memory>

#include "MainWindow.h"
#include "OfficeMonitor.h"
#include "Startup.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "foundation/StringConverter.h"
#include "wingui/ProcessWindows.h"

namespace {

// The common controls of 0x1FFF plus ICC_LINK_CLASS, for the dialogs with a
// link control.
constexpr DWORD kCommonControls = 0x9FFF;

// The COM failure texts are kept in the Shift_JIS code page (932): "COM
// initialisation failed" and a full-width colon (U+FF1A) in the log lines,
// the full-width colon alone in the messages.
#define SJIS_COLON "\x81\x46"
#define SJIS_COM_INIT_FAILED "COM\x8f\x89\x8a\xfa\x89\xbb\x82\xc9\x8e\xb8\x94\x73" SJIS_COLON

const char kOleInitializeLog[] = "Tarnwick#WinMain,2," SJIS_COM_INIT_FAILED "OleInitialize hr=%x";
const char kCoInitializeLog[] = "Tarnwick#WinMain,3," SJIS_COM_INIT_FAILED "CoInitialize hr=%x";
const char kApartmentLog[] = "Tarnwick#WinMain,4," SJIS_COM_INIT_FAILED "CoInitialize Apartmentethread hr=%x";
const char kMultithreadLog[] = "Tarnwick#WinMain,5," SJIS_COM_INIT_FAILED "CoInitialize Multithread hr=%x";
const char kCoInitializeMessage[] = "Failed to initialize COM" SJIS_COLON "CoInitialize";
const char kApartmentMessage[] = "Failed to initialize COM" SJIS_COLON "CoInitialize Apartmentethread";
const char kMultithreadMessage[] = "Failed to initialize COM" SJIS_COLON "CoInitialize Multithread";

constexpr unsigned kShiftJis = 932;

// Shows a message kept in Shift_JIS, whatever the system's code page.
void showShiftJisMessage(const char* text) {
    std::unique_ptr<wchar_t[]> wide = wideFromCodePage(kShiftJis, text);
    if (wide) {
        MessageBoxW(nullptr, wide.get(), L"Tarnwick", MB_OK);
    } else {
        MessageBoxA(nullptr, text, "Tarnwick", MB_OK);
    }
}

enum class ComState { None, Ole, Com };

// Initialises COM the strongest way that works; the start goes on in any
// case.
ComState initialiseCom() {
    HRESULT result = OleInitialize(nullptr);
    if (SUCCEEDED(result)) return ComState::Ole;
    logError(kOleInitializeLog, static_cast<unsigned>(result));

    result = CoInitialize(nullptr);
    if (SUCCEEDED(result)) return ComState::Com;
    logError(kCoInitializeLog, static_cast<unsigned>(result));
    showShiftJisMessage(kCoInitializeMessage);

    result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(result)) return ComState::Com;
    logError(kApartmentLog, static_cast<unsigned>(result));
    showShiftJisMessage(kApartmentMessage);

    result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(result)) return ComState::Com;
    logError(kMultithreadLog, static_cast<unsigned>(result));
    showShiftJisMessage(kMultithreadMessage);
    return ComState::None;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    logDebug("%s", "");
    logDebug("Tarnwick#WinMain,1,Start %s", commandLine != nullptr ? commandLine : "");
    Startup_SetInstance(instance);
    startupCancelled = false;

    // No Word, Excel or PowerPoint window may be open: the monitor waits
    // until they are closed or the user gives up.
    std::unique_ptr<OfficeMonitorWindow> monitor;
    try {
        monitor.reset(new OfficeMonitorWindow(instance, SW_SHOWMINIMIZED));
        monitor->run();
    } catch (...) {
        logError("Tarnwick#WinMain,1,Exception in the Office monitor");
    }
    if (startupCancelled) {
        monitor.reset();
        return 1;
    }

    // Undone only when it succeeded (ComState::None calls nothing).
    const ComState com = initialiseCom();

    HMODULE richEdit = LoadLibraryA("RICHED32.DLL");
    HMODULE user32 = LoadLibraryA("user32.dll");
    User32_SetModule(user32);

    try {
        INITCOMMONCONTROLSEX controls = {sizeof controls, kCommonControls};
        InitCommonControlsEx(&controls);
        Tarnwick_Run();
    } catch (...) {
        logError("Tarnwick#WinMain,2,Exception");
    }

    User32_SetModule(nullptr);
    if (user32 != nullptr) FreeLibrary(user32);
    if (richEdit != nullptr) FreeLibrary(richEdit);
    if (com == ComState::Ole) {
        OleUninitialize();
    } else if (com == ComState::Com) {
        CoUninitialize();
    }
    logDebug("Tarnwick#WinMain,3,End");
    monitor.reset();
    return 0;
}
