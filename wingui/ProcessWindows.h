#pragma once

#include <windows.h>

// Process-wide handles that lower layers need from the program on top:
// the program's instance, stored at entry, and the user32 module, loaded
// once at start-up and kept for the life of the process. Set on the
// user-interface thread before any job thread runs; read from any thread.

// Remembers the program's own instance (WinMain's).
void Program_SetInstance(HINSTANCE instance);
// The module that holds Tarnwick's classes, icons, menus and dialogs: the
// instance stored at entry, else the executable's. Never a window's
// GWLP_HINSTANCE: the main window is the shell's dialog, and what is made
// with its instance belongs to the shell's module.
HINSTANCE Program_GetInstance();

// Remembers the user32 module that start-up loaded.
void User32_SetModule(HMODULE module);
// The user32 module that start-up loaded, or null before that.
HMODULE User32_GetModule();
