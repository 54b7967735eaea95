#pragma once

#include <windows.h>
#include <commctrl.h>

class LinkedList;

// The file list: a report-style list view of the current folder's Office,
// XPS and PDF files with their encryption state. One per process; every
// call runs on the user-interface thread. A row's text is the bare file
// name (its full path is the current folder followed by it) and its item
// data the file's EncryptionState; plain rows carry LVIS_CUT. Job threads
// post WM_JOB_DONE to the list, which then lists its folder again.

// Creates the list as a child of parent with the control id, with the
// list's own procedure laid over the control's (ANSI form; it answers the
// keys, the context menu, double clicks, WM_JOB_DONE and the list's
// commands) and the system image lists attached. Clears the current folder.
HWND XListView_Create(HWND parent, int id);

// Deletes every row and the existing columns (up to ten) and inserts the
// five columns "FileName", "Encrypted", "LastModified", "Type", "Size(KB)".
BOOL XListView_SetColumns(HWND list);

// Shows folder (ending in a backslash; null or empty for none, which
// empties and disables the list): its listable files, each classified
// afresh. Files whose full path would not fit 260 characters are left out
// and logged.
void XListView_ListFolder(HWND list, const char* folder);

// Adds the row of one directory entry whose full path is fullPath; returns
// its index, or -1.
int XListView_InsertFile(HWND list, const WIN32_FIND_DATAA& entry, const char* fullPath);

// Adds and selects the row of a file just copied into the current folder.
void XListView_InsertDroppedFile(HWND list, const char* fullPath);

// Removes the rows of the items (ListItem: name and row index, highest
// index first) whose files no longer exist.
void XListView_Refresh(HWND list, LinkedList* items);

// Selects and focuses every row; returns the number of rows.
int XListView_SelectAll(HWND list);

// The folder the list shows, with its trailing backslash, or "".
const char* XListView_GetCurrentFolder();

// The list's custom-draw answer, for the window that receives its
// NM_CUSTOMDRAW: protected rows in blue, plain ones in grey, the control's
// own background; every stage is answered CDRF_NOTIFYITEMDRAW |
// CDRF_NOTIFYPOSTPAINT.
LRESULT XListView_OnCustomDraw(NMLVCUSTOMDRAW* draw);
