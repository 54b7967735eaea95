#pragma once

#include <windows.h>

// The bar between the folder tree and the file list. The window itself only
// reports a press of the left button to its parent, as WM_LBUTTONDOWN with
// its own control id as wParam; the parent does the dragging and draws the
// moving bar with Splitter_DrawBar.

// Creates the bar as a child of parent, registering its class
// "_SPLITTER_CLASS_" on first use.
HWND Splitter_Create(HWND parent, int id, int x, int y, int width, int height);

// Inverts a halftone bar 4 pixels wide (at 96 DPI; scaled to the
// splitter's) on parent's window DC at x (relative to parent's window
// rectangle), as high as the splitter window and level with it. Drawing twice at the same place erases the bar.
void Splitter_DrawBar(HWND parent, HWND splitter, int x);
