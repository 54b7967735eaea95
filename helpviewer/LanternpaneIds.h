#pragma once

// Menu, control and message numbers of Lanternpane. Plain macros: the
// resource script includes this file too.

#define IDM_LANTERNPANE_CLOSE 40001
#define IDM_LANTERNPANE_OPEN 40002
#define IDM_LANTERNPANE_VERSION 40003

#define IDC_LANTERNPANE_BACK 1001
#define IDC_LANTERNPANE_FORWARD 1002
#define IDC_LANTERNPANE_ADDRESS 1003

// Location notification: lParam is a text made by allocateLocationText,
// which the receiving window frees.
#define WM_BROWSER_LOCATION (WM_USER + 2008)
