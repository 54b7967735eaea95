#include "wingui/ProcessWindows.h"

#include <atomic>

namespace {
std::atomic<HMODULE> user32Module{nullptr};
std::atomic<HINSTANCE> programInstance{nullptr};
}  // namespace

void Program_SetInstance(HINSTANCE instance) { programInstance.store(instance); }

HINSTANCE Program_GetInstance() {
    HINSTANCE instance = programInstance.load();
    return instance != nullptr ? instance : GetModuleHandleA(nullptr);
}

void User32_SetModule(HMODULE module) { user32Module.store(module); }

HMODULE User32_GetModule() { return user32Module.load(); }
