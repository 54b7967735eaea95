#pragma once

#include <windows.h>

#include "foundation/Thread.h"

// Answers PowerPoint's own password prompt, which appears while
// Presentations.Open is in progress on another thread: finds the prompt among
// the desktop's top-level windows, types the password, presses OK, and
// presses the only button of PowerPoint's error box when the password is
// refused. It only reads window properties and sends window messages.
//
// The creator owns the object: constructor, start(), then, once Open has
// returned, stop() and waitForEnd() before deleting it. stop() wakes the
// thread at once, whether it is waiting for the prompt or watching for the
// error box (once Open has returned neither can still come for it).
class PowerPointPasswordValidator : public Thread {
public:
    // Throws Exception when the thread cannot be created.
    explicit PowerPointPasswordValidator(const char* password);
    ~PowerPointPasswordValidator() override;

    void run() override;
    void stop();
    // Waits until run() has returned (or never ran); true when it ended
    // within timeoutMs.
    bool waitForEnd(DWORD timeoutMs);

    HWND findPasswordDialog();
    void enterPassword(const char* text);
    bool submitPassword(const char* text);
    HWND findErrorMessageBox();

    bool wasPromptFound() const { return dialog != nullptr; }

private:
    // Sleeps for ms or until stop(); false when stopped.
    bool pause(DWORD ms);

    HWND dialog = nullptr;
    char password[1024];
    volatile bool running = false;
    HANDLE stopEvent = nullptr;
    HANDLE thread = nullptr;
};
