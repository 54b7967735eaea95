#pragma once

#include <windows.h>

#include "wingui/Window.h"

// The bar between the folder tree and the file list. The window itself only
// reports a press of the left button to its parent, as WM_LBUTTONDOWN with
// its own control id as wParam; the parent does the dragging and draws the
// moving bar with Splitter_DrawBar. The object must outlive its window or
// destroys it.
class Splitter : public Window {
public:
    // Creates the bar as a child of parent, registering its class
    // "_SPLITTER_CLASS_" on first use. Null when it cannot be created.
    HWND create(HWND parent, int id, int x, int y, int width, int height);

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT onLeftButtonDown(LPARAM position);
};

// Inverts a halftone bar 4 pixels wide (at 96 DPI; scaled to the
// splitter's) on parent's window DC at x (relative to parent's window
// rectangle), as high as the splitter window and level with it. Drawing twice at the same place erases the bar.
void Splitter_DrawBar(HWND parent, HWND splitter, int x);
