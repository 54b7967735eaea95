#include "PowerPointPasswordValidator.h"

#include <cstring>

#include "foundation/Exception.h"
#include "foundation/Log.h"

namespace {

bool hasClass(HWND window, const char* name) {
    char className[130] = "";
    GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

// The owner's title names PowerPoint.
bool ownedByPowerPoint(HWND window) {
    HWND parent = GetParent(window);
    if (parent == nullptr) return false;
    char title[1024] = "";
    GetWindowTextA(parent, title, sizeof title);
    return std::strstr(title, "Microsoft") != nullptr && std::strstr(title, "PowerPoint") != nullptr;
}

bool isButton(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    return control != nullptr && hasClass(control, "Button");
}

// Calls visit(window, className, title) for each top-level window of the
// desktop until it returns true; returns that window or null.
template <typename Visit>
HWND findTopLevel(Visit visit) {
    for (HWND window = GetWindow(GetDesktopWindow(), GW_CHILD); window != nullptr;
         window = GetWindow(window, GW_HWNDNEXT)) {
        char className[130] = "";
        char title[260] = "";
        GetClassNameA(window, className, sizeof className);
        GetWindowTextA(window, title, sizeof title);
        if (visit(window, className, title)) return window;
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
    stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // A handle of our own on the suspended thread, to wait for its end.
    thread = OpenThread(SYNCHRONIZE, FALSE, getThreadId());
    if (stopEvent == nullptr || thread == nullptr) {
        if (stopEvent != nullptr) CloseHandle(stopEvent);
        if (thread != nullptr) CloseHandle(thread);
        throw Exception(static_cast<int>(GetLastError()), "PowerPointPasswordValidator#PowerPointPasswordValidator");
    }
}

PowerPointPasswordValidator::~PowerPointPasswordValidator() {
    SecureZeroMemory(password, sizeof password);
    CloseHandle(stopEvent);
    CloseHandle(thread);
}

void PowerPointPasswordValidator::stop() {
    running = false;
    SetEvent(stopEvent);
}

bool PowerPointPasswordValidator::waitForEnd(DWORD timeoutMs) {
    return WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
}

bool PowerPointPasswordValidator::pause(DWORD ms) { return WaitForSingleObject(stopEvent, ms) == WAIT_TIMEOUT; }

void PowerPointPasswordValidator::run() {
    running = WaitForSingleObject(stopEvent, 0) == WAIT_TIMEOUT;
    for (int poll = 0; poll < 60 && running; ++poll) {
        if (!pause(1000)) break;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Sleep(100);
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (findPasswordDialog() != nullptr) {
            submitPassword(password);
            break;
        }
    }
}

HWND PowerPointPasswordValidator::findPasswordDialog() {
    logDebug("PowerPointPasswordValidator#findPasswordDialog,1");
    HWND found = findTopLevel([](HWND window, const char* className, const char*) {
        if (std::strcmp(className, "#32770") != 0 || !ownedByPowerPoint(window)) return false;
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
    return findTopLevel([](HWND window, const char* className, const char* title) {
        return std::strcmp(className, "#32770") == 0 && std::strcmp(title, "Microsoft Office PowerPoint") == 0 &&
               ownedByPowerPoint(window) && isButton(window, 2) && GetDlgItem(window, 1) == nullptr;
    });
}
