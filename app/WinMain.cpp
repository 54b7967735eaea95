#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "MainWindow.h"
#include "OfficeMonitor.h"
#include "Startup.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"
#include "wingui/ComApartment.h"
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

// Joins a COM apartment the strongest way that works; null when none
// does, and the start goes on in any case. CoInitializeEx with
// COINIT_APARTMENTTHREADED is what CoInitialize does: the second try of
// that kind is kept as it always was, with its own texts.
std::unique_ptr<ComApartment> joinComApartment() {
    struct Attempt {
        ComApartment::Kind kind;
        const char* log;
        const char* message;  // shown to the user when the attempt fails; null for none
    };
    static const Attempt attempts[] = {
        {ComApartment::Kind::Ole, kOleInitializeLog, nullptr},
        {ComApartment::Kind::Com, kCoInitializeLog, kCoInitializeMessage},
        {ComApartment::Kind::Com, kApartmentLog, kApartmentMessage},
        {ComApartment::Kind::Multithreaded, kMultithreadLog, kMultithreadMessage},
    };
    for (const Attempt& attempt : attempts) {
        auto apartment = std::make_unique<ComApartment>(attempt.kind);
        if (apartment->isInitialised()) return apartment;
        logError(attempt.log, static_cast<unsigned>(apartment->result()));
        if (attempt.message != nullptr) showShiftJisMessage(attempt.message);
    }
    return nullptr;
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

    std::unique_ptr<ComApartment> com = joinComApartment();

    unique_hmodule richEdit(LoadLibraryA("RICHED32.DLL"));
    unique_hmodule user32(LoadLibraryA("user32.dll"));
    User32_SetModule(user32.get());

    try {
        INITCOMMONCONTROLSEX controls = {sizeof controls, kCommonControls};
        InitCommonControlsEx(&controls);
        Tarnwick_Run();
    } catch (...) {
        logError("Tarnwick#WinMain,2,Exception");
    }

    User32_SetModule(nullptr);
    user32.reset();
    richEdit.reset();
    com.reset();
    logDebug("Tarnwick#WinMain,3,End");
    monitor.reset();
    return 0;
}
