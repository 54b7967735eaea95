#pragma once

#include <windows.h>

// Process-wide state of the program's start, kept by the user-interface
// thread.

// Set when the user confirms cancelling the start in the Office monitor
// window; false at start.
extern bool startupCancelled;

// The program's instance handle, stored at entry (kept by wingui for the
// lower layers); for its resources. The executable's before that.
void Startup_SetInstance(HINSTANCE instance);
HINSTANCE Startup_GetInstance();
