#pragma once

#include <windows.h>

// Process-wide handles that lower layers need from the program on top:
// the program's instance, stored at entry; the main window, remembered when
// it is set up; and the user32 module, loaded once at start-up and kept for
// the life of the process. Set on the user-interface thread before any job
// thread runs; read from any thread.

// Remembers the program's own instance (WinMain's).
void Program_SetInstance(HINSTANCE instance);
// The module that holds Tarnwick's classes, icons, menus and dialogs: the
// instance stored at entry, else the executable's. Never a window's
// GWLP_HINSTANCE: the main window is the shell's dialog, and what is made
// with its instance belongs to the shell's module.
HINSTANCE Program_GetInstance();

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
