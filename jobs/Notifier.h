#pragma once

#include <windows.h>
#include <commctrl.h>

#include "foundation/WinHandles.h"
#include "resources/TarnwickIds.h"
#include "wingui/ListView.h"
#include "wingui/Window.h"

// The texts that tell the encryption and the decryption notifier apart.
struct NotifierTexts {
    const char* className;
    const char* title;
    const char* initialStatus;
    const char* cancelQuestion;
    const char* cancelCaption;
};

// The progress window of a job: a status line, one row per processed file
// with its result (failures in red), and the buttons Cancel and Close. It
// is created, fed and destroyed on the job's worker thread, whose message
// pumps run its window procedure. Confirming Cancel posts WM_JOB_CANCEL to
// the job's thread. Every call is a no-op while there is no window. The
// program's module holds the icons IDI_TARNWICK (the window's), IDI_SUCCESS
// and IDI_FAILURE (the rows'). The window's user data holds the job
// thread's id while the job may still be cancelled, 0 afterwards.
class Notifier : public Window {
public:
    ~Notifier() override;

    // Creates the window, centred on the primary screen, owned by parent
    // (may be null), remembering the job's thread for the cancel message.
    void create(HWND parent, DWORD jobThreadId);
    // Sets the status line (when text is not null) and shows the window.
    void setStatus(const char* text);
    // Adds one row: the file name of path, its type name and the result.
    void addResult(const char* path, const char* resultText, bool success);
    // Shows the tally, enables Close, disables Cancel; closing no longer asks.
    void finish(const char* tallyText);
    // Handles the calling thread's messages until the window is gone.
    void waitUntilClosed();
    // Hides the window and enables the parent.
    void hide();
    // Enables the parent and destroys the window if it still exists.
    void close();

protected:
    Notifier(HINSTANCE instance, const NotifierTexts& texts);

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void onCloseRequest();
    LRESULT onNotify(NMHDR* header);
    LRESULT onCustomDraw(NMLVCUSTOMDRAW* draw);
    bool isOpen() const { return window_ != nullptr && IsWindow(window_); }
    void registerClass();
    void createControls();
    // Places the controls and gives them the font and pictures for dpi_.
    void applyDpi();
    void onDpiChanged(WPARAM wParam, LPARAM lParam);

    const NotifierTexts& texts_;
    HINSTANCE instance_;
    HWND parent_ = nullptr;
    HWND status_ = nullptr;
    HWND list_ = nullptr;
    HWND separator_ = nullptr;
    HWND cancel_ = nullptr;
    HWND closeButton_ = nullptr;
    int dpi_ = 96;
    unique_hfont font_;
    unique_hicon smallIcon_;
    OwnedImageList images_;
    int successImage_ = -1;
    int failureImage_ = -1;
};

// The notifier of the encryption job.
class EncryptionNotifier final : public Notifier {
public:
    explicit EncryptionNotifier(HINSTANCE instance);
    static const NotifierTexts kTexts;
};

// The notifier of the decryption job.
class DecryptionNotifier final : public Notifier {
public:
    explicit DecryptionNotifier(HINSTANCE instance);
    static const NotifierTexts kTexts;
};
