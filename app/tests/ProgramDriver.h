#pragma once

#include <windows.h>

#include <string>

#include "testing/ModalDriver.h"
#include "testing/Waiting.h"

// Drives programs of the build from a test executable, as a user or an
// accessibility tool would: starts them, finds their top-level windows and
// reads their list views through memory in their own process. Waits handle
// the calling thread's messages (testing/Waiting.h): a test that owns a
// window must keep answering it as any program does, since a starting
// program may wait on the windows around it.
namespace program_driver {

using testing_support::ChildProcess;
using testing_support::findTopLevel;
using testing_support::waitForTopLevel;
using testing_support::WindowQuery;

// Tarnwick.exe and the Office stand-in of the build tree.
std::string tarnwickPath();
std::string officeStandinPath();

// A top-level window of the test itself, of the class (registered on first
// use; classes compare without regard to case), destroyed with the object:
// what another program sees of an open window.
class OwnWindow {
public:
    OwnWindow(const char* className, const char* title, bool visible, HWND owner = nullptr);
    ~OwnWindow();
    OwnWindow(const OwnWindow&) = delete;
    OwnWindow& operator=(const OwnWindow&) = delete;
    HWND get() const { return window_; }

private:
    HWND window_;
};

// Tarnwick's main window: the visible window of the process titled
// "Tarnwick" (before it shows a folder) or "<folder> - Tarnwick", not the
// start-up's monitor window. Null when there is none (yet).
HWND mainWindow(DWORD processId);
// Polls, handling the caller's messages; null after timeoutMs.
HWND waitForMainWindow(DWORD processId, DWORD timeoutMs);

// Memory in another process, freed with the object.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process), address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteMemory() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    char* get() const { return static_cast<char*>(address_); }

private:
    HANDLE process_;
    void* address_;
};

// Sends message to window of process with lParam pointing to a copy of
// record made in that process, and copies the record back afterwards (for
// messages that read or fill one, such as LVM_GETITEMRECT); the message's
// result, or 0 when the copy cannot be made.
template <typename Record>
LRESULT sendWithRecord(HANDLE process, HWND window, UINT message, WPARAM wParam, Record& record) {
    RemoteMemory remote(process, sizeof record);
    if (remote.get() == nullptr || !WriteProcessMemory(process, remote.get(), &record, sizeof record, nullptr)) {
        return 0;
    }
    const LRESULT result = SendMessageA(window, message, wParam, reinterpret_cast<LPARAM>(remote.get()));
    ReadProcessMemory(process, remote.get(), &record, sizeof record, nullptr);
    return result;
}

// A cell of a list view of process (row, column from 0), read through a
// buffer in that process; empty when there is no such cell.
std::string remoteListCell(HANDLE process, HWND list, int row, int column);
// A column's header text and width, read the same way; false when there is
// no such column.
bool remoteListColumn(HANDLE process, HWND list, int column, std::string& title, int& width);

}  // namespace program_driver
