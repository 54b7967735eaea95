#pragma once

#include <windows.h>

// A procedure laid over an existing window's own (subclassing), for
// windows whose class belongs to someone else: a list view, the shell's
// browse dialog. install() puts its own procedure in the window's
// place, in the character form given, and keeps the one it replaces;
// handleMessage sees every message from then on and passes on what it does
// not handle with passOn (CallWindowProc in the same form, so the previous
// procedure gets each message in the form it had before). No exception
// leaves the procedure: it is logged as "<logName>,1,Unexpected exception
// at message 0x<message>" and the message goes to the previous procedure.
// At WM_NCDESTROY the previous procedure handles the message, is put back
// and the object is unbound; onWindowGone follows.
class Subclass {
public:
    // The form the window's messages take: Unicode for a Unicode window,
    // so that messages passed on keep their form.
    enum class Form { Ansi, Unicode };

    // logName names the procedure in the log.
    explicit Subclass(const char* logName) : logName_(logName) {}
    // Removes the procedure from a window that still exists.
    virtual ~Subclass();
    Subclass(const Subclass&) = delete;
    Subclass& operator=(const Subclass&) = delete;

    // Lays the procedure over window's. False when this object or the
    // window is already bound, or the window is gone.
    bool install(HWND window, Form form);
    // Gives the window its previous procedure back and unbinds. When a
    // procedure laid on top since keeps ours in its chain, ours stays in
    // place and passes every message straight on until the window goes.
    void remove();

    HWND getWindow() const { return window_; }

    // One message through the guard: handleMessage, or the previous
    // procedure after an exception. What the installed procedure does.
    LRESULT deliver(UINT message, WPARAM wParam, LPARAM lParam);

protected:
    // Every message of the bound window; by default passed on.
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The previous procedure's handling of the message.
    LRESULT passOn(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window's last message; the handle is already gone.
    virtual void onWindowGone() {}

    HWND window_ = nullptr;

private:
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    const char* logName_;
    WNDPROC previous_ = nullptr;
    Form form_ = Form::Ansi;
};
