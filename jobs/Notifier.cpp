#include "Notifier.h"

#include <shellapi.h>

#include <utility>

#include "foundation/AnsiCodePage.h"
#include "resources/TarnwickIds.h"
#include "wingui/Dpi.h"
#include "wingui/MessagePump.h"

const NotifierTexts EncryptionNotifier::kTexts = {
    "_EncodingNotifier_",
    "Encryption Notifier",
    "Encrypting Office 2003/2007 or Acrobat PDF files. ",
    "Are you sure you want to cancel this encryption?",
    "Encodding Notifier",
};

const NotifierTexts DecryptionNotifier::kTexts = {
    "_DecodingNotifier_",
    "Decryption Notifier",
    "Decrypting Office 2003/2007 or Acrobat PDF files.",
    "Are you sure you want to cancel this decryption?",
    "Decryption Notifier",
};

EncryptionNotifier::EncryptionNotifier(HINSTANCE instance) : Notifier(instance, kTexts) {}
DecryptionNotifier::DecryptionNotifier(HINSTANCE instance) : Notifier(instance, kTexts) {}

namespace {

// The window and where its controls go, at 96 DPI.
constexpr int kWidth = 540;
constexpr int kHeight = 270;
constexpr int kImageSize = 16;
struct ControlPlace {
    int id;
    int x;
    int y;
    int width;
    int height;
};
constexpr ControlPlace kPlaces[] = {
    {kNotifierStatusId, 10, 6, 520, 22},   {kNotifierListId, 10, 30, 520, 170},
    {kNotifierSeparatorId, 1, 207, 538, 2}, {kNotifierCancelId, 350, 215, 70, 25},
    {kNotifierCloseId, 450, 215, 70, 25},
};

HMENU controlId(int id) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)); }

}  // namespace

Notifier::Notifier(HINSTANCE instance, const NotifierTexts& texts)
    : texts_(texts), instance_(instance), images_(kImageSize, kImageSize, 10, 5) {
    registerClass();
}

Notifier::~Notifier() {
    if (window_) close();
}

void Notifier::registerClass() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA windowClass = {};
    windowClass.cbWndExtra = 8;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, "IDI_ICON1");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = texts_.className;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    // Another job's thread may have registered it meanwhile.
    Window::registerClass(windowClass);
}

void Notifier::create(HWND parent, DWORD jobThreadId) {
    parent_ = parent;
    // Centred on the primary screen, at its DPI.
    dpi_ = static_cast<int>(dpiOfWindow(nullptr));
    const int width = scaleForDpi(kWidth, dpi_);
    const int height = scaleForDpi(kHeight, dpi_);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    if (!createWindow(WS_EX_DLGMODALFRAME, texts_.className, texts_.title,
                      WS_POPUP | WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x, y, width, height, parent,
                      nullptr, instance_)) {
        return;
    }
    dpi_ = static_cast<int>(dpiOfWindow(window_));

    // Only Move stays in the system menu.
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (menu) {
        char move[128] = {};
        GetMenuStringA(menu, SC_MOVE, move, sizeof move, MF_BYCOMMAND);
        while (GetMenuItemCount(menu) > 0) {
            if (!DeleteMenu(menu, 0, MF_BYPOSITION)) break;
        }
        AppendMenuA(menu, MF_STRING, SC_MOVE, move);
    }

    SetWindowLongPtrA(window_, GWLP_USERDATA, static_cast<LONG_PTR>(jobThreadId));
    createControls();
    applyDpi();
    UpdateWindow(window_);
}

void Notifier::createControls() {
    // File names may hold '&' and may be long: no mnemonic prefixes, and an
    // ellipsis in the middle of a path that does not fit. applyDpi places
    // them.
    status_ = CreateWindowExA(0, "static", texts_.initialStatus,
                              WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 0, 0, 0, 0, window_,
                              controlId(kNotifierStatusId), instance_, nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                                LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP,
                            0, 0, 0, 0, window_, controlId(kNotifierListId), instance_, nullptr);
    separator_ = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_SUNKEN, 0, 0, 0, 0, window_,
                                 controlId(kNotifierSeparatorId), instance_, nullptr);
    cancel_ = CreateWindowExA(0, "button", "Cancel", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, window_,
                              controlId(kNotifierCancelId), instance_, nullptr);
    closeButton_ = CreateWindowExA(0, "button", "Close", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, 0, 0, window_,
                                   controlId(kNotifierCloseId), instance_, nullptr);

    const ListColumn columns[] = {{"FileName", 250}, {"Type", 190}, {"Result", 60}};
    listAddColumns(list_, columns);
}

void Notifier::applyDpi() {
    for (const ControlPlace& place : kPlaces) {
        MoveWindow(GetDlgItem(window_, place.id), scaleForDpi(place.x, dpi_), scaleForDpi(place.y, dpi_),
                   scaleForDpi(place.width, dpi_), scaleForDpi(place.height, dpi_), TRUE);
    }
    unique_hfont font = createMessageFont(static_cast<UINT>(dpi_));
    for (HWND control : {status_, list_, cancel_, closeButton_}) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    font_ = std::move(font);

    // The rows keep their image indexes: the icons go in in the same order.
    const int imageSize = scaleForDpi(kImageSize, dpi_);
    images_ = OwnedImageList(imageSize, imageSize, 10, 5);
    successImage_ = images_.addIcon(instance_, IDI_SUCCESS);
    failureImage_ = images_.addIcon(instance_, IDI_FAILURE);
    images_.attachSmall(list_);

    unique_hicon small(static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_TARNWICK), IMAGE_ICON,
                                                     smallIconSize(static_cast<UINT>(dpi_)),
                                                     smallIconSize(static_cast<UINT>(dpi_)), 0)));
    if (small) SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    smallIcon_ = std::move(small);
}

void Notifier::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    const int dpi = static_cast<int>(applyDpiChange(window_, wParam, lParam));
    if (dpi <= 0 || dpi == dpi_) return;
    listRescaleColumns(list_, dpi_, dpi);
    dpi_ = dpi;
    applyDpi();
}

void Notifier::setStatus(const char* text) {
    if (!isOpen()) return;
    if (text) SetWindowTextA(status_, text);
    ShowWindow(window_, SW_SHOWNORMAL);
}

void Notifier::addResult(const char* path, const char* resultText, bool success) {
    if (!isOpen()) return;
    if (path == nullptr) path = "";
    const int row = listInsertRow(list_, 0, ansiFileNameOfPath(path), success ? successImage_ : failureImage_,
                                  success ? 1 : 0);
    if (row < 0) return;
    SHFILEINFOA info = {};
    SHGetFileInfoA(path, 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
    listSetCell(list_, row, 1, info.szTypeName);
    listSetCell(list_, row, 2, resultText);
}

void Notifier::finish(const char* tallyText) {
    if (!isOpen()) return;
    if (tallyText) SetWindowTextA(status_, tallyText);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    EnableWindow(closeButton_, TRUE);
    EnableWindow(cancel_, FALSE);
    // Cancel may have held the focus; keep the keyboard working.
    SetFocus(closeButton_);
}

void Notifier::waitUntilClosed() {
    if (isOpen()) pumpUntilDestroyed(window_, 10);
}

void Notifier::hide() {
    if (isOpen()) ShowWindow(window_, SW_HIDE);
    if (parent_) EnableWindow(parent_, TRUE);
}

void Notifier::close() {
    if (parent_) EnableWindow(parent_, TRUE);
    if (isOpen()) DestroyWindow(window_);
    window_ = nullptr;
}

LRESULT Notifier::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CLOSE: onCloseRequest(); return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kNotifierCancelId) onCloseRequest();
            if (LOWORD(wParam) == kNotifierCloseId) DestroyWindow(window_);
            return 0;
        case WM_NOTIFY: return onNotify(reinterpret_cast<NMHDR*>(lParam));
        case WM_DPICHANGED: onDpiChanged(wParam, lParam); return 0;
        default: return defaultHandling(message, wParam, lParam);
    }
}

void Notifier::onCloseRequest() {
    const DWORD jobThread = static_cast<DWORD>(GetWindowLongPtrA(window_, GWLP_USERDATA));
    if (jobThread == 0) {
        DestroyWindow(window_);
        return;
    }
    if (MessageBoxA(window_, texts_.cancelQuestion, texts_.cancelCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
        return;
    }
    // The window may have been destroyed while the question was open.
    if (!isOpen()) return;
    EnableWindow(cancel_, FALSE);
    PostThreadMessageA(jobThread, WM_JOB_CANCEL, 0, 0);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
}

LRESULT Notifier::onNotify(NMHDR* header) {
    if (header->idFrom == kNotifierListId && header->code == NM_CUSTOMDRAW) {
        return onCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    }
    return 0;
}

LRESULT Notifier::onCustomDraw(NMLVCUSTOMDRAW* draw) {
    const DWORD stage = draw->nmcd.dwDrawStage;
    if (stage == CDDS_ITEMPREPAINT || stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        draw->clrText = draw->nmcd.lItemlParam != 0
                            ? static_cast<COLORREF>(SendMessageA(list_, LVM_GETTEXTCOLOR, 0, 0))
                            : RGB(255, 0, 0);
        draw->clrTextBk = CLR_DEFAULT;
    }
    return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}
