#pragma once

#include <windows.h>

class LinkedList;

// What the user does to the selected rows of the file list. Every call runs
// on the user-interface thread. Full paths are the current folder followed
// by the row's name.

// The selection queries: each walks the rows from index 0, looks only at
// selected ones, appends to the caller's list and returns how many elements
// it added (0 at once when nothing is selected).

// Selected files that are not protected, classified afresh (String paths,
// in row order); every other selected file counts in skipped.
int XListView_GetNonEncSelectedFilesList(HWND list, LinkedList* paths, int* skipped);
// Selected files that are password-encrypted, classified afresh.
int XListView_GetEncSelectedFilesList(HWND list, LinkedList* paths, int* skipped);
// Selected Office documents that are not rights-managed and selected PDF
// files, by the rows' item data.
int XListView_GetOfficePDFFilesList(HWND list, LinkedList* paths);
// Selected Office and PDF rows whose item data says password-encrypted.
int XListView_GetProtectedOfficePDFFilesList(HWND list, LinkedList* paths);
// Every selected row as a ListItem (bare name, row index, flag = protected,
// no owner), added at the head: the list runs from the highest index down.
int XListView_GetOfficeFileNamesList(HWND list, LinkedList* items);

// The highest index of a selected row; -1 when none.
int XListView_GetLastSelelctedItem(HWND list);

// Encrypt and Decrypt: start the job for the selected files that are not
// protected (that are password-encrypted), or say that there are none.
void XListView_EncryptSelected(HWND list);
void XListView_DecryptSelected(HWND list);
// Shows the derived password of the last selected row when it is
// password-encrypted, in the Password Exporter owned by the list.
void XListView_ShowPassword(HWND list);
// Opens every selected file with the program registered for its extension.
void RunSelectedFiles(HWND list);
// Asks once, then moves the selected files to the recycle bin and removes
// their rows. A row whose name does not spell exactly one existing file
// (a name the ANSI code page cannot write comes with '?') is not handed to
// the shell, and a row stays while its file does. Returns 1.
int XListView_DeleteSelectedFiles(HWND list);
// Change Name from the context menu: edits the last selected row's name
// unless the row is protected.
void XListView_ChangeNameSelected(HWND list);

// In-place renaming, called by the window that receives the list's
// LVN_BEGINLABELEDIT and LVN_ENDLABELEDIT with the row the notification
// names (its item.iItem): the first returns the edited row, the second TRUE
// when the file was renamed to the edit box's text. withoutText: the
// notification's text pointer was null, which is how the editor reports a
// cancel.
int XListView_BeginLabelEdit(HWND list, int row);
BOOL XListView_EndLabelEdit(HWND list, int row, bool withoutText);
// Ends an open label editor as a cancel, whatever it holds: its row is
// about to go.
void XListView_CancelLabelEdit(HWND list);

// True when the current folder holds a file (not a folder) whose name
// equals name without regard to case.
bool XListView_FileNameExists(const char* name);

// Enter, Delete, F2 and F5; 1 when the key was handled, else 0.
LRESULT XListView_OnKeyDown(HWND list, WPARAM key);
// Shows the context menu at the message's screen position (-1, -1: from
// the keyboard, at the list's top-left corner).
void XListView_OnContextMenu(HWND list, LPARAM position);
// Runs a context-menu command; true when it is one of those the list
// consumes (Refresh, Delete, Open, Change Name).
bool XListView_OnCommand(HWND list, int id);
