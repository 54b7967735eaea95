#pragma once

#include <windows.h>

#include <atomic>

#include "foundation/Thread.h"
#include "foundation/WinHandles.h"

// Answers PowerPoint's own password prompt, which appears while
// Presentations.Open is in progress on another thread: finds the prompt among
// the desktop's top-level windows, types the password, presses OK, and
// presses the only button of PowerPoint's error box when the password is
// refused. It only reads window properties and sends window messages.
//
// The creator owns the object: constructor, start(), then, once Open has
// returned, stop() and waitForEnd() before deleting it. stop() wakes the
// thread at once, whether it is waiting for the prompt or watching for the
// error box (once Open has returned neither can still come for it). Its
// window walk sends no message to any window, so it never waits for the
// creator's thread. Should it still not end in time (a PowerPoint window it
// is typing into hangs), the creator hands it over with abandon() instead of
// deleting it: the thread then deletes it, password and all, when it ends.
class PowerPointPasswordValidator : public Thread {
public:
    // Throws Exception when the thread cannot be created.
    explicit PowerPointPasswordValidator(const char* password);
    ~PowerPointPasswordValidator() override;

    void run() override;
    void stop();
    // Waits until run() has returned (or never ran), handling the messages
    // other threads send to the calling thread's windows meanwhile; true
    // when it ended within timeoutMs.
    bool waitForEnd(DWORD timeoutMs);
    // For an object made with new whose thread was started and has not
    // ended: the thread deletes it as its last act, or it is deleted here
    // when the thread has ended meanwhile. The caller no longer owns it.
    void abandon();

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
    // Set once by whichever of run()'s end and abandon() comes first; the
    // second one deletes an abandoned object.
    std::atomic<bool> finishedOrAbandoned{false};
    unique_handle stopEvent;
};
