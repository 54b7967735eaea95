#pragma once

#include <windows.h>

// The main window's check-mark item "Don't Update LastModified (&U)": it
// shows and flips the setting that keeps the file times of processed files.

// Sets the item's check mark in window's menu bar from the setting and
// redraws the menu bar.
void showDonotUpdateFileTimeMark(HWND window);

// Flips the check mark, redraws the menu bar and stores the new state
// (checked means the file times are kept). Returns the new state.
bool toggleDonotUpdateFileTime(HWND window);
