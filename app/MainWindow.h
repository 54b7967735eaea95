#pragma once

#include <windows.h>
#include <shlobj.h>

// Shows the shell's folder-browse dialog that becomes the main window and
// returns 0 when it ends. Called once by start-up, after COM and the common
// controls are initialised.
int Tarnwick_Run();

// The main window's operations while Tarnwick_Run runs (on its thread);
// outside that time they do nothing.

// Makes the browse dialog the main window: style, title, menu, its own
// procedure and the controls of its own.
void MainWindow_Setup(HWND dialog);
// Reads the stored geometry, scaled to the window's DPI, and has the next
// layout apply it.
void MainWindow_LoadGeometry();
// Stores the window's geometry at 96 DPI when its size is a storable one.
void MainWindow_SaveGeometry();
// Shows the checks of the Options menu as the settings are.
void MainWindow_UpdateMenu();
// Starts the help viewer on the help file beside the program, or says which
// of the two is missing.
void MainWindow_ShowHelp();
// Lays the controls out in a client area of the size given.
void MainWindow_Layout(int clientWidth, int clientHeight);
// Carries out a menu command.
void MainWindow_OnCommand(int id);
// The dialog's selection changed: lists the folder (none for a folder
// outside the file system) and shows it in the title and the history.
void MainWindow_OnFolderChanged(PCIDLIST_ABSOLUTE folder);
// Stores the current folder and the geometry, and ends the program.
void MainWindow_Close();
// The main window's procedure: every message through the window's object,
// no exception passing.
LRESULT CALLBACK MainWindow_WndProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
