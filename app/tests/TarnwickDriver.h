#pragma once

// The real Tarnwick.exe started as a user starts it and driven only from
// outside (remote_ui): its main window, folder tree, menus and job
// notifiers, and what its windows show as pictures.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ProgramDriver.h"
#include "RemoteUi.h"
#include "testing/Screenshot.h"

namespace program_driver {

// The running program: its process, main window and children. Closed when
// the object goes if a test leaves it running; ended if it will not close.
class Tarnwick {
public:
    explicit Tarnwick(const std::string& program = tarnwickPath());
    ~Tarnwick();
    Tarnwick(const Tarnwick&) = delete;
    Tarnwick& operator=(const Tarnwick&) = delete;

    // Waits for the main window showing a title that ends with titleEnd,
    // and its file list.
    bool waitForMainWindow(const std::string& titleEnd = " - Tarnwick");

    HWND child(int id) const { return GetDlgItem(window, id); }
    DWORD id() const { return process_.id(); }
    HANDLE handle() const { return process_.handle(); }
    std::string title() const { return remote_ui::windowText(window); }

    // The folder tree, inside the shell's namespace control or not.
    HWND tree() const;
    std::string itemText(HWND folders, LPARAM item) const;
    LPARAM treeItem(UINT relation, LPARAM item) const;
    // The child of parent (expanded first) whose name is name, or 0.
    LPARAM childNamed(LPARAM parent, const std::string& name) const;
    // Clicks a folder in the tree, found by the names along its path from
    // "My Computer" down (the drive shows as "(Z:)"), as a user opens the
    // tree down to it.
    void clickFolder(const std::string& path);
    // Clicks an item of the tree, brought into view first.
    void clickTreeItem(LPARAM item);
    // Clicks a folder in the tree and waits for the window to show it.
    bool step(const std::string& folder);

    // Chooses a menu item with the keyboard: Alt with the popup's mnemonic,
    // then the item's.
    void chooseMenu(WORD popup, WORD item);

    // Waits for the program to end; its exit code, or -1.
    int waitForExit(DWORD timeoutMs = 60000);

    // Another visible top-level window of the program, not the main window,
    // whose title satisfies accept; null after timeoutMs.
    HWND waitForOtherWindow(const std::function<bool(const std::string&)>& accept, DWORD timeoutMs);

    // Waits for the job's progress window to show its tally, photographs
    // it, lets inspect look at it and closes it with a click on Close.
    // Returns the tally it shows.
    std::string waitForJobAndClose(const std::string& picture, const std::function<void(HWND)>& inspect = nullptr);

    // Every row's "Encrypted" text, joined by '|'.
    std::string states() const;

    HWND window = nullptr;
    HWND list = nullptr;
    std::unique_ptr<remote_ui::RemoteList> rows;

private:
    bool started_ = false;
    ChildProcess process_;
};

// COLOR_WINDOW as 0x00RRGGBB.
std::uint32_t windowColour();

// How much of a row's image on the screen is Tarnwick's success image and
// how much its failure image, with the row's result.
struct RowImage {
    std::string result;
    double success;
    double failure;
};

// The images of a finished notifier's rows (the icon resources of
// Tarnwick.exe drawn at the row image's size), by row name.
std::map<std::string, RowImage> notifierRowImages(HANDLE process, HWND notifier, int dpi);

// The window's icon of size x size pixels over the background colour, as
// the window system shows it: Wine hands a window's icons to X as the
// property _NET_WM_ICON of its X window (width, height, then one ARGB value
// per pixel, for each size). Empty when there is none of that size. Works
// in folder.
testing_support::WindowImage windowIcon(const std::string& folder, HWND window, int size, std::uint32_t background);

// The reports of msoffcrypto-tool on the Office files and of qpdf on the PDF
// opened with its derived user password, one after the other. Works in
// folder.
std::string checkWithTools(const std::string& folder, const std::vector<std::string>& office, const std::string& pdf);

// A drive letter of the Wine prefix defined for one scope through Wine's
// mount manager, as its configuration tool defines one: a drive of the type
// GetDriveType reports (DRIVE_REMOVABLE, ...) on a Unix folder.
class ScopedWineDrive {
public:
    ScopedWineDrive(char letter, unsigned type, const std::string& unixFolder);
    ~ScopedWineDrive();
    ScopedWineDrive(const ScopedWineDrive&) = delete;
    ScopedWineDrive& operator=(const ScopedWineDrive&) = delete;
    bool defined() const { return defined_; }

private:
    bool define(unsigned type, const std::string& unixFolder);

    char letter_;
    bool defined_ = false;
};

}  // namespace program_driver
