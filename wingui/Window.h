#pragma once

#include <windows.h>

// The base of every window class of the programs. The class's window
// procedure is Window's own: it binds the object given as the creation
// parameter at WM_NCCREATE (in a window property: the user data and the
// extra bytes stay the window's own), hands every message to handleMessage, catches
// every exception there (the message then gets the default handling), and
// unbinds at WM_NCDESTROY. Subclasses dispatch one line per message to
// named handlers and call the default handling for the rest.
class Window {
public:
    Window() = default;
    // Destroys a window that still exists; by then the object is unbound, so
    // the destruction messages get the default handling.
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND getWindow() const { return window_; }

    // Registers a window class whose procedure binds Window objects (the
    // given lpfnWndProc is replaced). True when the class exists afterwards,
    // also when another thread registered it first.
    static bool registerClass(WNDCLASSEXA windowClass);

    // The procedure that registerClass installs; for classes registered
    // elsewhere.
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Creates a window of a class registered through registerClass, bound to
    // this object. Null when it cannot be created.
    HWND createWindow(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                      int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

    // Every message of the bound window; by default the default handling.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The system's default window procedure for this window.
    LRESULT defaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window's last message; the handle is already gone.
    virtual void onWindowGone() {}

    HWND window_ = nullptr;
};
