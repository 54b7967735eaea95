#pragma once

#include <windows.h>

// Places window centred over parent (or at 0, 0 when parent is null), kept
// on the primary screen, without repainting, and shows it.
void centerWindow(HWND window, HWND parent);

// The system's open-file dialog owned by owner. filter is the usual list of
// double-zero-terminated pairs; buffer (emptied first) receives the chosen
// file's full path. True when the user chose a file.
bool chooseFile(HWND owner, const char* filter, char* buffer, int size);
