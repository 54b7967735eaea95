#pragma once

// Tarnwick's ids, one header for the program: its icons (icons/), the
// dialogs in settings/SettingsDialogs.rc and their controls, the controls of
// the windows the code makes, its menu items and its private messages.
// Shared by the resource scripts and the code; plain defines where the
// resource compiler reads them too.

#ifndef RC_INVOKED
#include <windows.h>

// Thread message from a notifier window to its job: the user confirmed
// Cancel. Both parameters 0.
constexpr UINT WM_JOB_CANCEL = WM_USER + 600;
// Window message from a finished job to the file list window, which then
// reloads its folder. Both parameters 0.
constexpr UINT WM_JOB_DONE = WM_USER + 1000;

// The job notifier's controls (windows the code makes, not a dialog).
constexpr int kNotifierCloseId = IDOK;       // "Close", enabled by finish
constexpr int kNotifierCancelId = IDCANCEL;  // "Cancel"
constexpr int kNotifierListId = 1000;        // the result list
constexpr int kNotifierStatusId = 1001;
constexpr int kNotifierSeparatorId = 1002;

// The Office monitor's controls.
constexpr int kOfficeMonitorStatusId = 4321;
constexpr int kOfficeMonitorListId = 12345;
#endif

// Icons.
#define IDI_TARNWICK 130
#define IDI_DECRYPT 131
#define IDI_PASSWORD 132
#define IDI_ENCRYPT 133
#define IDI_SUCCESS 135
#define IDI_FAILURE 136

// Version box.
#define IDD_VERSION 103
#define IDC_VERSION_ICON 1012

// PDF Toolkit Setting.
#define IDD_PDFTK_SETTING 139
#define IDC_PDFTK_REFER 1014
#define IDC_PDFTK_PATH 1016
#define IDC_PDFTK_LINK 1017

// Password Exporter.
#define IDD_PASSWORD_EXPORTER 140
#define IDC_EXPORTED_PASSWORD 1005
#define IDC_EXPORTED_FILENAME 1018
#define IDC_COPY_PASSWORD 1028

// Access Rights to Encrypted PDF Files.
#define IDD_PDF_ACCESS_RIGHTS 141
#define IDC_RIGHT_PRINTING 1019
#define IDC_RIGHT_MODIFY_CONTENTS 1020
#define IDC_RIGHT_ASSEMBLY 1021
#define IDC_RIGHT_COPY_CONTENTS 1022
#define IDC_RIGHT_SCREEN_READERS 1023
#define IDC_RIGHT_MODIFY_ANNOTATIONS 1024
#define IDC_RIGHT_FILL_IN 1025
#define IDC_RIGHT_ALL_FEATURES 1026

// Option menu item "Don't Update LastModified (&U)".
#define IDM_DONT_UPDATE_LASTMODIFIED 32803
// Option menu item "Built-in Encryption, No Office (&B)".
#define IDM_BUILT_IN_ENGINE 32831

// The file list's context menu and its commands.
#define IDR_LISTVIEW_CONTEXTMENU 129
#define IDM_LIST_ENCRYPT 32828
#define IDM_LIST_DECRYPT 32818
#define IDM_LIST_PASSWORD 32820
#define IDM_LIST_OPEN 32786
#define IDM_LIST_DELETE 32782
#define IDM_LIST_CHANGE_NAME 32793
#define IDM_LIST_COPY 32801
#define IDM_LIST_PASTE 32802
#define IDM_LIST_REFRESH 32781

// The main window's menu bar and its commands.
#define IDR_MAINMENU 109
#define IDM_SHOW_VERSION 104
#define IDM_EXIT 105
#define IDM_FILE_NEW_FOLDER 32795
#define IDM_FILE_DELETE 32799
#define IDM_FILE_CHANGE_NAME 32800
#define IDM_EDIT_SELECT_ALL 32814
#define IDM_SHOW_HELP 32822
#define IDM_EDIT_COPY 32823
#define IDM_EDIT_PASTE 32824
#define IDM_PDFTK_SETTING 32826
#define IDM_PDF_ACCESS_RIGHTS 32827
#define IDM_EDIT_DELETE 32830

// The main window's own children.
#define IDC_MAIN_LIST 1002
#define IDC_MAIN_STATUS 1003
#define IDC_MAIN_SPLITTER 1004
#define IDC_ENCRYPT_BUTTON 2000
#define IDC_DECRYPT_BUTTON 2001
#define IDC_PASSWORD_BUTTON 2002
#define IDC_FOLDER_HISTORY 2003
