#pragma once

#include <windows.h>

#include "foundation/WinHandles.h"
#include "wingui/DpiScale.h"

// The screen resolution of the programs' windows. Both programs declare
// per-monitor awareness, so a window is drawn at the DPI of its monitor and
// gets WM_DPICHANGED when that changes; sizes given for 96 DPI are scaled
// with scaleForDpi. The functions of Windows 10 1607 and later are looked
// up at run time; older systems get the system DPI of a device context.

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI window is drawn at (GetDpiForWindow), else the LOGPIXELSY of its
// device context; for a null window the system's DPI.
UINT dpiOfWindow(HWND window);

// The font of message boxes at dpi (SystemParametersInfoForDpi, else the
// system's metrics scaled from the system DPI); null when there is none.
unique_hfont createMessageFont(UINT dpi);

// The edge of a small icon (16 at 96 DPI) at dpi.
int smallIconSize(UINT dpi);

// Handles the position part of WM_DPICHANGED: moves window to the
// rectangle the system suggests (lParam) and returns the new DPI (wParam).
UINT applyDpiChange(HWND window, WPARAM wParam, LPARAM lParam);
