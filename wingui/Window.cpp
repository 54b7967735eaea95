#include "wingui/Window.h"

#include "foundation/Log.h"

namespace {

// The object is kept in a window property, so that the window's user data
// and extra bytes stay free for the window's own use.
const char kObjectProperty[] = "wingui.Window";

Window* boundObject(HWND window) { return static_cast<Window*>(GetPropA(window, kObjectProperty)); }
void bind(HWND window, Window* object) { SetPropA(window, kObjectProperty, object); }
void unbind(HWND window) { RemovePropA(window, kObjectProperty); }

}  // namespace

Window::~Window() {
    if (window_ == nullptr) return;
    HWND window = window_;
    unbind(window);
    window_ = nullptr;
    if (IsWindow(window)) DestroyWindow(window);
}

bool Window::registerClass(WNDCLASSEXA windowClass) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(windowClass.hInstance, windowClass.lpszClassName, &existing)) return true;
    if (RegisterClassExA(&windowClass) != 0) return true;
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HWND Window::createWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                          int width, int height, HWND parent, HMENU menu, HINSTANCE instance) {
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance, this);
}

LRESULT Window::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return defaultHandling(message, wParam, lParam);
}

LRESULT Window::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* object = nullptr;
    if (message == WM_NCCREATE) {
        object = static_cast<Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        if (object != nullptr) {
            object->window_ = window;
            bind(window, object);
        }
    } else {
        object = boundObject(window);
    }
    if (object == nullptr) return DefWindowProcA(window, message, wParam, lParam);

    LRESULT result;
    try {
        result = object->handleMessage(message, wParam, lParam);
    } catch (...) {
        logError("Window#procedure,1,Unexpected exception at message 0x%x", message);
        result = DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        unbind(window);
        object->window_ = nullptr;
        try {
            object->onWindowGone();
        } catch (...) {
            logError("Window#procedure,2,Unexpected exception after the window was destroyed");
        }
    }
    return result;
}
