#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Drives modal dialogs of the calling thread the way a user would, from a
// timer that their own message loop dispatches. Each step runs on a tick
// and returns true when it is done, false to be tried again on the next
// tick. A step that stays undone for ten seconds, or a dialog still open
// ten seconds after the last step, fails the test and is closed, so that a
// broken dialog never hangs the run.
class ModalDriver {
public:
    using Step = std::function<bool()>;

    // Calls open(), which shows a modal dialog, while the steps run.
    static void run(const std::function<void()>& open, std::vector<Step> steps);
};

// The visible top-level window of this thread with the given title, or null.
HWND findThreadWindow(const char* title);
// Presses a dialog's button (or check box) by posting a click to it.
void click(HWND dialog, int id);
// Clicks the middle of a control with the mouse (real input, so a disabled
// control gets nothing).
void mouseClick(HWND control);
// Real pointer input at a screen point: the pointer moves there and the
// left button goes down or up there; clicks (two make a double click).
void mouseMoveTo(POINT point);
void mouseLeftButton(POINT point, bool down);
void mouseClickAt(POINT point, int clicks = 1);
// Selects the whole text of an edit control and types text over it.
void typeInto(HWND edit, const std::string& text);
// A window's text, of this program's windows or another's (an edit box of
// another program included, where GetWindowText gives only captions). A
// window that does not answer within timeoutMs gives "" (a short timeout
// reads a window whose thread is busy without waiting for it).
std::string windowText(HWND window, DWORD timeoutMs = 5000);
// A window's caption as the system keeps it for another program's window,
// read without a message: never waits for a busy window (GetWindowText).
std::string windowTitle(HWND window);

// What a top-level window of another process must match: the process (0:
// any), the class (null: any) and the start of the title (null: any).
// Invisible windows count only when visibleOnly is false.
struct WindowQuery {
    DWORD processId;
    const char* className;
    const char* titlePrefix;
    bool visibleOnly = true;
};

HWND findTopLevel(const WindowQuery& query);
// Waits for it, handling the caller's messages; null after timeoutMs.
HWND waitForTopLevel(const WindowQuery& query, DWORD timeoutMs);

// A plain top-level window to own the dialogs under test; registers the
// common controls the dialogs use on first use.
class OwnerWindow {
public:
    OwnerWindow(int x, int y, int width, int height, bool visible);
    ~OwnerWindow();
    OwnerWindow(const OwnerWindow&) = delete;
    OwnerWindow& operator=(const OwnerWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// One visible owner window at (100, 80), 800 x 600, for the whole run:
// hiding a visible window costs two seconds on the test display (Wine waits
// for a window manager that is not there).
HWND sharedOwnerWindow();

// True when the centre of inner is within a pixel or two of outer's centre.
bool isCentredOver(HWND inner, HWND outer);

}  // namespace testing_support
