#pragma once

#include <windows.h>

// Process-wide handles that lower layers need from the program on top:
// the main window, remembered when it is set up, and the user32 module,
// loaded once at start-up and kept for the life of the process. Set on the
// user-interface thread before any job thread runs; read from any thread.

// Remembers the main window; only the first non-null handle is kept.
void MainWindow_SetHandle(HWND window);
// The main window, or null while none has been set up.
HWND MainWindow_GetHandle();
// Gives the main window the keyboard focus and brings it to the foreground;
// does nothing while no main window has been set up. Safe from job threads:
// it only calls SetFocus and SetForegroundWindow on the remembered handle.
void MainWindow_Activate();

// Remembers the user32 module that start-up loaded.
void User32_SetModule(HMODULE module);
// The user32 module that start-up loaded, or null before that.
HMODULE User32_GetModule();
