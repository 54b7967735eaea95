#pragma once

#include <windows.h>

// Thread message from a notifier window to its job: the user confirmed
// Cancel. Both parameters 0.
constexpr UINT WM_JOB_CANCEL = WM_USER + 600;
// Window message from a finished job to the file list window, which then
// reloads its folder. Both parameters 0.
constexpr UINT WM_JOB_DONE = WM_USER + 1000;

// Handles the messages queued for the calling thread: each one is removed,
// then after pauseMilliseconds translated and dispatched. Returns true when
// WM_JOB_CANCEL was among them; with stopAtCancel the pump ends right after
// it, otherwise it goes on until the queue is empty. A WM_QUIT is put back
// and ends the pump.
bool pumpJobMessages(DWORD pauseMilliseconds, bool stopAtCancel);
