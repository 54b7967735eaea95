#include "wingui/ProcessWindows.h"

#include <atomic>

namespace {
std::atomic<HWND> mainWindow{nullptr};
std::atomic<HMODULE> user32Module{nullptr};
std::atomic<HINSTANCE> programInstance{nullptr};
}  // namespace

void Program_SetInstance(HINSTANCE instance) { programInstance.store(instance); }

HINSTANCE Program_GetInstance() {
    HINSTANCE instance = programInstance.load();
    return instance != nullptr ? instance : GetModuleHandleA(nullptr);
}

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

void User32_SetModule(HMODULE module) { user32Module.store(module); }

HMODULE User32_GetModule() { return user32Module.load(); }
