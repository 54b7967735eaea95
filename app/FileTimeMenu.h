#pragma once

#include <windows.h>

// The main window's check-mark items of the Option menu: "Don't Update
// LastModified (&U)" shows and flips the setting that keeps the file times of
// processed files, "Built-in Encryption, No Office (&B)" the one that has the
// jobs encrypt with the built-in engine instead of the Office applications.

// Sets the item's check mark in window's menu bar from the setting and
// redraws the menu bar.
void showDonotUpdateFileTimeMark(HWND window);

// Flips the check mark, redraws the menu bar and stores the new state
// (checked means the file times are kept). Returns the new state.
bool toggleDonotUpdateFileTime(HWND window);

// The same for the built-in engine (checked means EncryptionEngine 1).
void showBuiltInEngineMark(HWND window);
bool toggleBuiltInEngine(HWND window);
