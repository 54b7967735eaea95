#include "PowerPointPasswordValidator.h"

#include <cstring>
#include <cwchar>

#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "wingui/MessagePump.h"

namespace {

bool hasClass(HWND window, const char* name) {
    char className[130] = "";
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

// A window's title as the system keeps it. GetWindowText would send
// WM_GETTEXT to a window of this process, and so wait for the thread that
// owns it: the job's notifier belongs to the very thread that waits for this
// one to end. This read sends nothing.
template <int size>
void readTitle(HWND window, wchar_t (&title)[size]) {
    title[0] = L'\0';
    InternalGetWindowText(window, title, size);
}

// The owner's title names PowerPoint.
bool ownedByPowerPoint(HWND window) {
    HWND parent = GetParent(window);
    if (parent == nullptr) return false;
    wchar_t title[1024];
    readTitle(parent, title);
    return std::wcsstr(title, L"Microsoft") != nullptr && std::wcsstr(title, L"PowerPoint") != nullptr;
}

bool isButton(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return control != nullptr && hasClass(control, "Button");
}

// Calls visit(window) for each top-level dialog ("#32770") of the desktop
// until it returns true; returns that window or null.
template <typename Visit>
HWND findTopLevelDialog(Visit visit) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        char className[130] = "";
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") == 0 && visit(window)) return window;
    }
    return nullptr;
}

// A click at the button's top-left corner.
void press(HWND button) {
    SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    SendMessageA(button, WM_LBUTTONUP, MK_LBUTTON, 0);
}

}  // namespace

PowerPointPasswordValidator::PowerPointPasswordValidator(const char* text) : Thread(nullptr, 0, 0) {
    std::memset(password, 0, sizeof password);
    if (text != nullptr) {
        std::strncpy(password, text, sizeof password - 1);
    }
    stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent) {
        throw Exception("PowerPointPasswordValidator#PowerPointPasswordValidator", static_cast<int>(GetLastError()));
    }
}

PowerPointPasswordValidator::~PowerPointPasswordValidator() {
    SecureZeroMemory(password, sizeof password);
}

void PowerPointPasswordValidator::stop() {
    running = false;
    SetEvent(stopEvent.get());
}

bool PowerPointPasswordValidator::waitForEnd(DWORD timeoutMs) { return join(timeoutMs); }

void PowerPointPasswordValidator::abandon() {
    if (finishedOrAbandoned.exchange(true)) delete this;
}

bool PowerPointPasswordValidator::pause(DWORD ms) { return WaitForSingleObject(stopEvent.get(), ms) == WAIT_TIMEOUT; }

void PowerPointPasswordValidator::run() {
    // The last act, however run() ends: an abandoned object is this
    // thread's to delete.
    struct LastAct {
        PowerPointPasswordValidator* self;
        ~LastAct() {
            if (self->finishedOrAbandoned.exchange(true)) delete self;
        }
    } lastAct{this};
    running = WaitForSingleObject(stopEvent.get(), 0) == WAIT_TIMEOUT;
    for (int poll = 0; poll < 60 && running; ++poll) {
        if (!pause(1000)) break;
        pumpPendingMessages(100);
        if (findPasswordDialog() != nullptr) {
            submitPassword(password);
            break;
        }
    }
}

HWND PowerPointPasswordValidator::findPasswordDialog() {
    logDebug("PowerPointPasswordValidator#findPasswordDialog,1");
    HWND found = findTopLevelDialog([](HWND window) {
        if (!ownedByPowerPoint(window)) return false;
        HWND message = GetDlgItem(window, 4);
        char messageClass[130] = "";
        if (message == nullptr || GetClassNameA(message, messageClass, sizeof messageClass) == 0 ||
            _strnicmp(messageClass, "RichEdit", 8) != 0) {
            return false;
        }
        HWND edit = GetDlgItem(window, 5);
        if (edit == nullptr || !hasClass(edit, "Edit") || !(GetWindowLongA(edit, GWL_STYLE) & ES_PASSWORD)) return false;
        logDebug("PowerPointPasswordValidator#findPasswordDialog,4,Edit style contains ES_PASSWORD\n");
        if (!isButton(window, 1) || !isButton(window, 2)) return false;
        logDebug("PowerPointPasswordValidator#findPasswordDialog,5,Found a password dialog\n");
        return true;
    });
    dialog = found;
    return found;
}

void PowerPointPasswordValidator::enterPassword(const char* text) {
    HWND edit = GetDlgItem(dialog, 5);
    HWND ok = GetDlgItem(dialog, 1);
    if (edit == nullptr || ok == nullptr) return;
    for (const char* c = text; *c != '\0'; ++c) {
        SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(*c)), 1);
    }
    press(ok);
}

bool PowerPointPasswordValidator::submitPassword(const char* text) {
    if (dialog == nullptr) return true;
    enterPassword(text);
    for (int second = 0; second < 5; ++second) {
        if (!pause(1000)) return true;
        HWND box = findErrorMessageBox();
        if (box != nullptr) {
            press(GetDlgItem(box, 2));
            return false;
        }
    }
    return true;
}

HWND PowerPointPasswordValidator::findErrorMessageBox() {
    return findTopLevelDialog([](HWND window) {
        wchar_t title[260];
        readTitle(window, title);
        return std::wcscmp(title, L"Microsoft Office PowerPoint") == 0 && ownedByPowerPoint(window) &&
               isButton(window, 2) && GetDlgItem(window, 1) == nullptr;
    });
}
