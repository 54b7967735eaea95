#pragma once

#include <windows.h>

// The base of every dialog. The dialog procedure is Dialog's own: it binds
// the object at WM_INITDIALOG, hands every message to handleMessage,
// catches every exception there (the message then counts as not handled),
// and unbinds at WM_NCDESTROY.
class Dialog {
public:
    Dialog() = default;
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    HWND getDialog() const { return dialog_; }

protected:
    // Runs the dialog template templateId of instance modally, owned by owner.
    // Returns the end code, or -1 when the dialog could not be created.
    INT_PTR runModal(HINSTANCE instance, int templateId, HWND owner);

    // Every message of the bound dialog. Return TRUE for handled messages,
    // FALSE to leave them to the system (and TRUE or FALSE from
    // WM_INITDIALOG as the system expects).
    virtual INT_PTR handleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Ends a modal dialog with code.
    void end(INT_PTR code) { EndDialog(dialog_, code); }

    HWND dialog_ = nullptr;

private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

// A modal dialog from a template of the program's module: prepare() names
// the owner, run() shows it.
class ModalDialog : public Dialog {
public:
    explicit ModalDialog(int templateId) : templateId_(templateId) {}

    // Stores the owner and the module instance of this program.
    void prepare(HWND owner);

protected:
    // Runs the dialog modally; returns its end code (-1 when it could not be
    // created).
    INT_PTR run();

    HWND getOwner() const { return owner_; }

private:
    HWND owner_ = nullptr;
    HINSTANCE instance_ = nullptr;
    int templateId_;
};
