#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>

#include "foundation/Thread.h"
#include "foundation/WinHandles.h"
#include "resources/TarnwickIds.h"
#include "wingui/Window.h"

// The start-up check for open Word, Excel and PowerPoint windows: a small
// top-most window lists them and waits, re-checking every two seconds, until
// they are closed or the user cancels the start.

// Posted by the monitor thread to the monitor window when no Office window
// is left; no parameters.
constexpr UINT WM_OFFICE_APPS_CLOSED = 11023;

// The class name is spelt so on purpose: it is the one the window has
// always had, and other programs and tests find the monitor by it.
constexpr char kOfficeMonitorClassName[] = "_OfffceApplicationProgram_";
constexpr char kOfficeMonitorTitle[] = "Office Applications - Tarnwick";

// The polling thread. Each round empties the target list, fills it with the
// open Office windows and then either posts WM_OFFICE_APPS_CLOSED to the
// list's parent (no row: the thread ends) or restores that parent window;
// then it waits two seconds. It ends when the target is gone or the running
// flag is cleared. The object waits in its destructor until the thread has
// ended (at most one round), answering messages that the thread sends to
// the calling thread's windows meanwhile.
class OfficeApplicationMonitor : public Thread {
public:
    // Created suspended; throws the Exception of Thread when the thread
    // cannot be created.
    OfficeApplicationMonitor();
    ~OfficeApplicationMonitor() override;

    // The list to fill; set before start().
    void setTarget(HWND list) { target_ = list; }

    void run() override;

private:
    void poll();

    HWND target_ = nullptr;
    std::atomic<bool> running_{true};
};

// The monitor window: class "_OfffceApplicationProgram_", title "Office
// Applications - Tarnwick", top-most at (10, 10), 520 x 240 (at 96 DPI,
// scaled to the screen's and again when the DPI changes), a status bar
// (id 4321) and a list (id 12345) of the open Office windows with their
// owners' user and domain names. Closing it asks whether to cancel the start
// and, when confirmed, sets startupCancelled.
class OfficeMonitorWindow : public Window {
public:
    // Registers the class, initialises the common controls, creates the
    // window with its status bar and list, shows it with showCommand and
    // hands the list to the monitor. When something of this fails there is
    // no window (or no monitor) and run() returns at once.
    OfficeMonitorWindow(HINSTANCE instance, int showCommand);
    ~OfficeMonitorWindow() override;

    // Starts the monitor and runs the message loop until WM_QUIT, which the
    // window's destruction posts. Returns at once, without touching the
    // queue, when the window could not be created; when the window exists
    // without its list or monitor, destroys it and lets the start go on.
    void run();

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void createControls(HINSTANCE instance);
    void onPaint();
    void onSize();
    void onDpiChanged(WPARAM wParam, LPARAM lParam);
    void onClose();
    void onOfficeAppsClosed();

    std::unique_ptr<OfficeApplicationMonitor> monitor_;
    HWND status_ = nullptr;
    HWND list_ = nullptr;
    int dpi_ = 96;
    // Set when the DPI changed: the controls' font for the new one.
    unique_hfont font_;
    // The cancel question is open; the monitor found every Office window
    // closed meanwhile.
    bool asking_ = false;
    bool closedWhileAsking_ = false;
};

// The EnumWindows callback of the monitor: adds a row to the list view given
// as context for each visible, unowned top-level window of an Office frame
// class whose process owner can be read. Always TRUE.
BOOL CALLBACK OfficeMonitor_EnumWindowsProc(HWND window, LPARAM context);

// The account and domain name of the user that runs the process; false when
// the process or its token cannot be opened or the account not looked up.
// The names are cut to fit the buffers (sizes in bytes, with the NUL).
bool getProcessOwner(DWORD processId, char* user, DWORD userSize, char* domain, DWORD domainSize);
