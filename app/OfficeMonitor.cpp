#include "OfficeMonitor.h"

#include <shellapi.h>

#include <cstring>
#include <utility>

#include "OfficeWindowClasses.h"
#include "Startup.h"
#include "foundation/Associations.h"
#include "foundation/Log.h"
#include "foundation/String.h"
#include "wingui/ComApartment.h"
#include "wingui/Dpi.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"

namespace {

const char kStatusText[] = "Please terminate Office Applications to start 'Tarnwick'.";
const char kCancelQuestion[] = "Are you sure you want to cancel to start 'Tarnwick'";
const char kCancelCaption[] = "Startup Tarnwick";

// At 96 DPI.
constexpr int kX = 10;
constexpr int kY = 10;
constexpr int kWidth = 520;
constexpr int kHeight = 240;
// The common controls of the program's windows (up to ICC_PAGESCROLLER_CLASS
// and ICC_NATIVEFNTCTL_CLASS).
constexpr DWORD kCommonControls = 0x1FFF;
constexpr DWORD kPollSleepMs = 500;
constexpr int kPollSleeps = 4;
// Window titles and class names are read up to this many characters.
constexpr int kNameChars = 259;
// Account and domain names are looked up up to this many characters.
constexpr DWORD kAccountChars = 260;
constexpr DWORD kTokenBufferSize = 16384;

HMENU controlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

// Copies text into a buffer of size bytes, cut to fit; nothing for size 0.
void copyCut(char* buffer, DWORD size, const char* text) {
    if (buffer == nullptr || size == 0) return;
    std::size_t length = std::strlen(text);
    if (length >= size) length = size - 1;
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

// The index in the system image list of the small icon of the program that
// the shell opens files of extension with; -1 when there is none.
int registeredProgramIcon(const char* extension) {
    String program;
    if (!findAssociatedProgramName(extension, program)) return -1;
    SHFILEINFOA info = {};
    if (SHGetFileInfoA(program.getContents(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON) == 0) return -1;
    if (info.hIcon != nullptr) DestroyIcon(info.hIcon);
    return info.iIcon;
}

}  // namespace

// ---------------------------------------------------------------------------
// The monitor thread.

OfficeApplicationMonitor::OfficeApplicationMonitor() : Thread(nullptr, 0, 0) {}

OfficeApplicationMonitor::~OfficeApplicationMonitor() {
    running_ = false;
    // The thread may be sending a list message to a window of this thread,
    // which join() serves meanwhile. A thread never started is let go by
    // Thread's destructor without run().
    join(INFINITE);
}

void OfficeApplicationMonitor::run() {
    try {
        // The shell's file information needs COM on the calling thread.
        ComApartment apartment;
        poll();
    } catch (...) {
        // A monitor that fails must not hold up the start for ever.
        logError("OfficeApplicationMonitor#run,1,Exception");
        if (IsWindow(target_)) PostMessageA(GetParent(target_), WM_OFFICE_APPS_CLOSED, 0, 0);
    }
}

void OfficeApplicationMonitor::poll() {
    while (running_) {
        HWND target = target_;
        if (target == nullptr || !IsWindow(target)) return;
        SendMessageA(target, LVM_DELETEALLITEMS, 0, 0);
        EnumWindows(OfficeMonitor_EnumWindowsProc, reinterpret_cast<LPARAM>(target));
        if (IsWindow(target)) {
            HWND parent = GetParent(target);
            if (listRowCount(target) == 0) {
                PostMessageA(parent, WM_OFFICE_APPS_CLOSED, 0, 0);
                return;
            }
            // Shows the minimised window, and again when the user minimises it.
            ShowWindow(parent, SW_RESTORE);
        }
        for (int i = 0; i < kPollSleeps; ++i) {
            if (!running_) return;
            Sleep(kPollSleepMs);
        }
    }
}

// ---------------------------------------------------------------------------
// Collecting the Office windows.

BOOL CALLBACK OfficeMonitor_EnumWindowsProc(HWND window, LPARAM context) {
    try {
        HWND list = reinterpret_cast<HWND>(context);
        if (!IsWindowVisible(window) || GetWindow(window, GW_OWNER) != nullptr) return TRUE;
        char title[kNameChars + 1] = {};
        GetWindowTextA(window, title, sizeof title);
        char className[kNameChars + 1] = {};
        GetClassNameA(window, className, sizeof className);
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);

        const char* extension = officeExtensionOfWindowClass(className);
        if (extension == nullptr) return TRUE;
        char user[kAccountChars + 1] = {};
        char domain[kAccountChars + 1] = {};
        // A window whose owner cannot be read does not hold up the start.
        if (!getProcessOwner(processId, user, sizeof user, domain, sizeof domain)) return TRUE;

        const int row = listInsertRow(list, 0, title, registeredProgramIcon(extension), 0);
        if (row < 0) return TRUE;
        listSetCell(list, row, 1, user);
        listSetCell(list, row, 2, domain);
    } catch (...) {
        logError("OfficeMonitor_EnumWindowsProc,1,Exception");
    }
    return TRUE;
}

bool getProcessOwner(DWORD processId, char* user, DWORD userSize, char* domain, DWORD domainSize) {
    unique_handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) return false;
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(process.get(), TOKEN_QUERY | TOKEN_QUERY_SOURCE, &rawToken) &&
        !OpenProcessToken(process.get(), TOKEN_QUERY, &rawToken)) {
        return false;
    }
    unique_handle token(rawToken);

    std::unique_ptr<BYTE[]> buffer(new BYTE[kTokenBufferSize]);
    DWORD needed = 0;
    if (!GetTokenInformation(token.get(), TokenUser, buffer.get(), kTokenBufferSize, &needed)) return false;
    const TOKEN_USER* tokenUser = reinterpret_cast<const TOKEN_USER*>(buffer.get());

    char account[kAccountChars + 1] = {};
    char accountDomain[kAccountChars + 1] = {};
    DWORD accountSize = sizeof account;
    DWORD accountDomainSize = sizeof accountDomain;
    SID_NAME_USE use;
    if (!LookupAccountSidA(nullptr, tokenUser->User.Sid, account, &accountSize, accountDomain, &accountDomainSize,
                           &use)) {
        return false;
    }
    copyCut(user, userSize, account);
    copyCut(domain, domainSize, accountDomain);
    return true;
}

// ---------------------------------------------------------------------------
// The monitor window.

OfficeMonitorWindow::OfficeMonitorWindow(HINSTANCE instance, int showCommand) {
    try {
        monitor_.reset(new OfficeApplicationMonitor());
    } catch (...) {
        logError("OfficeMonitorWindow#OfficeMonitorWindow,1,No monitor thread");
        return;
    }

    WNDCLASSEXA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kOfficeMonitorClassName;
    Window::registerClass(windowClass);

    INITCOMMONCONTROLSEX controls = {sizeof controls, kCommonControls};
    InitCommonControlsEx(&controls);

    // On the primary screen, at its DPI.
    dpi_ = static_cast<int>(dpiOfWindow(nullptr));
    if (!createWindow(WS_EX_TOPMOST, kOfficeMonitorClassName, kOfficeMonitorTitle,
                      WS_OVERLAPPEDWINDOW | WS_POPUP | WS_CLIPCHILDREN, scaleForDpi(kX, dpi_), scaleForDpi(kY, dpi_),
                      scaleForDpi(kWidth, dpi_), scaleForDpi(kHeight, dpi_), nullptr, nullptr, instance)) {
        logError("OfficeMonitorWindow#OfficeMonitorWindow,2,CreateWindowEx failed %lu", GetLastError());
        return;
    }
    createControls(instance);
    onSize();
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    monitor_->setTarget(list_);
}

OfficeMonitorWindow::~OfficeMonitorWindow() {
    // The thread first: it reads the monitor and sends to the list.
    monitor_.reset();
}

void OfficeMonitorWindow::createControls(HINSTANCE instance) {
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, kStatusText, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                              controlId(kOfficeMonitorStatusId), instance, nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                                LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP | LVS_EDITLABELS,
                            0, 0, 0, 0, window_, controlId(kOfficeMonitorListId), instance, nullptr);
    if (list_ == nullptr) return;
    listUseSystemImages(list_);
    const ListColumn columns[] = {{"Application Name", 240}, {"User Name", 120}, {"Domain Name", 120}};
    listAddColumns(list_, columns);
}

void OfficeMonitorWindow::run() {
    if (window_ == nullptr) return;
    if (list_ == nullptr || !monitor_) {
        // Nothing would ever end the wait: the destruction's WM_QUIT ends the
        // loop below at once.
        logError("OfficeMonitorWindow#run,1,No list or monitor, start goes on");
        DestroyWindow(window_);
    } else {
        monitor_->start();
    }
    // The destruction's WM_QUIT ends the loop and is used up here: the
    // program's own loop after the start must not see it.
    runMessageLoop();
}

LRESULT OfficeMonitorWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: onPaint(); return 0;
        case WM_SIZE: onSize(); return 0;
        case WM_CLOSE: onClose(); return 0;
        case WM_OFFICE_APPS_CLOSED: onOfficeAppsClosed(); return 0;
        case WM_DPICHANGED: onDpiChanged(wParam, lParam); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return defaultHandling(message, wParam, lParam);
    }
}

void OfficeMonitorWindow::onPaint() {
    PAINTSTRUCT paint;
    BeginPaint(window_, &paint);
    EndPaint(window_, &paint);
}

void OfficeMonitorWindow::onSize() {
    if (status_ == nullptr || list_ == nullptr || IsIconic(window_)) return;
    // The status bar places itself at the bottom with its own height.
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT client = {};
    GetClientRect(window_, &client);
    RECT status = {};
    GetWindowRect(status_, &status);
    int height = client.bottom - (status.bottom - status.top) - 1;
    if (height < 0) height = 0;
    MoveWindow(list_, 0, 0, client.right, height, TRUE);
}

void OfficeMonitorWindow::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    const int dpi = static_cast<int>(applyDpiChange(window_, wParam, lParam));
    if (dpi <= 0 || dpi == dpi_) return;
    if (list_ != nullptr) listRescaleColumns(list_, dpi_, dpi);
    dpi_ = dpi;
    // The controls chose their fonts for the DPI they started at.
    unique_hfont font = createMessageFont(static_cast<UINT>(dpi));
    for (HWND control : {status_, list_}) {
        if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);
    onSize();
}

void OfficeMonitorWindow::onClose() {
    // One question at a time (a second WM_CLOSE may come while it is open).
    if (asking_) return;
    asking_ = true;
    // Owned by the monitor window, which the monitor keeps restoring: the
    // question stays above it.
    const int answer = MessageBoxA(window_, kCancelQuestion, kCancelCaption,
                                   MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST);
    asking_ = false;
    if (answer == IDOK) {
        startupCancelled = true;
        if (window_ != nullptr) DestroyWindow(window_);
    } else if (closedWhileAsking_ && window_ != nullptr) {
        DestroyWindow(window_);
    }
}

void OfficeMonitorWindow::onOfficeAppsClosed() {
    // Destroying the window under the open question would end the question
    // with the quit message; the answer decides first.
    if (asking_) {
        closedWhileAsking_ = true;
        return;
    }
    DestroyWindow(window_);
}
