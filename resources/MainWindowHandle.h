#pragma once

#include <windows.h>

// Tarnwick's main window for the layers below the program that need it (the
// Office session brings it back to the front after an application's window
// took the focus). Set on the user-interface thread before any job thread
// runs; read from any thread.

// Remembers the main window; only the first non-null handle is kept.
void MainWindow_SetHandle(HWND window);
// The main window, or null while none has been set up.
HWND MainWindow_GetHandle();
// Gives the main window the keyboard focus and brings it to the foreground;
// does nothing while no main window has been set up. Safe from job threads:
// it only calls SetFocus and SetForegroundWindow on the remembered handle.
void MainWindow_Activate();
