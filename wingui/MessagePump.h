#pragma once

#include <windows.h>

// The message pumps of the programs. Every pump follows the same rules: a
// message is removed, then (after an optional pause that keeps a busy
// worker from starving other programs) translated and dispatched; a WM_QUIT
// ends the pump and is posted again, so that the loop outside sees it too.

// What one pass over the queue saw.
struct PumpPass {
    bool sawWatched = false;  // the watched message was dispatched
    bool quit = false;        // a WM_QUIT ended the pass
};

// Dispatches the messages already queued for the calling thread, without
// waiting. With a watched message (not 0) the pass notes its dispatch and,
// with stopAtWatched, ends right after it.
PumpPass pumpPendingMessages(DWORD pauseMilliseconds = 0, UINT watched = 0, bool stopAtWatched = false);

// Waits for and dispatches messages while keepGoing(context) is true. False
// when a WM_QUIT ended it (or the queue failed), true when keepGoing did.
bool pumpWhile(bool (*keepGoing)(void* context), void* context, DWORD pauseMilliseconds = 0);

// Waits for and dispatches messages until the window is destroyed. False
// when a WM_QUIT ended it first.
bool pumpUntilDestroyed(HWND window, DWORD pauseMilliseconds = 0);

// A program's main loop: dispatches messages until WM_QUIT and returns its
// exit code.
int runMessageLoop();
