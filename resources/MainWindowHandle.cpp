#include "resources/MainWindowHandle.h"

#include <atomic>

namespace {
std::atomic<HWND> mainWindow{nullptr};
}  // namespace

void MainWindow_SetHandle(HWND window) {
    HWND none = nullptr;
    mainWindow.compare_exchange_strong(none, window);
}

HWND MainWindow_GetHandle() { return mainWindow.load(); }

void MainWindow_Activate() {
    HWND window = mainWindow.load();
    if (window == nullptr) return;
    SetFocus(window);
    SetForegroundWindow(window);
}
