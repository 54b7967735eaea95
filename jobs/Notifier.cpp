#include "Notifier.h"

#include <shellapi.h>

#include <cstddef>

#include "JobMessages.h"
#include "settings/PasswordComposition.h"
#include "settings/ResourceIds.h"

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

constexpr int kWidth = 540;
constexpr int kHeight = 270;
// The window's extra bytes hold its texts (set at creation).
constexpr int kTextsOffset = 0;

bool isAnsiLeadByte(unsigned char c) { return IsDBCSLeadByteEx(CP_ACP, c) != FALSE; }

const NotifierTexts* textsOf(HWND window) {
    return reinterpret_cast<const NotifierTexts*>(GetWindowLongPtrA(window, kTextsOffset));
}

void addIcon(HIMAGELIST images, HINSTANCE instance, int id, int& index) {
    HICON icon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, 0));
    if (!icon) return;
    index = ImageList_AddIcon(images, icon);
    DestroyIcon(icon);
}

}  // namespace

Notifier::Notifier(HINSTANCE instance, const NotifierTexts& texts) : texts_(texts), instance_(instance) {
    // The record as it was before iPaddedBorderWidth: accepted by every
    // Windows version.
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) {
        font_.reset(CreateFontIndirectA(&metrics.lfMessageFont));
    }
    registerClass();
}

Notifier::~Notifier() {
    if (window_) close();
    if (images_) ImageList_Destroy(images_);
}

void Notifier::registerClass() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance_, texts_.className, &existing)) return;
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = windowProcedure;
    windowClass.cbWndExtra = 8;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, "IDI_ICON1");
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = texts_.className;
    windowClass.hIconSm = LoadIconA(nullptr, IDI_APPLICATION);
    // Fails harmlessly when another job's thread registered it meanwhile.
    RegisterClassExA(&windowClass);
}

void Notifier::create(HWND parent, DWORD jobThreadId) {
    parent_ = parent;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
    window_ = CreateWindowExA(WS_EX_DLGMODALFRAME, texts_.className, texts_.title,
                              WS_POPUP | WS_CHILD | WS_VISIBLE | WS_CAPTION | WS_SYSMENU, x, y, kWidth, kHeight,
                              parent, nullptr, instance_, const_cast<NotifierTexts*>(&texts_));
    if (!window_) return;

    images_ = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 10, 5);
    addIcon(images_, instance_, IDI_SUCCESS, successImage_);
    addIcon(images_, instance_, IDI_FAILURE, failureImage_);

    HICON small = static_cast<HICON>(
        LoadImageA(instance_, MAKEINTRESOURCEA(IDI_TARNWICK), IMAGE_ICON, 16, 16, LR_SHARED));
    if (small) SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

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
    UpdateWindow(window_);
}

void Notifier::createControls() {
    // File names may hold '&' and may be long: no mnemonic prefixes, and an
    // ellipsis in the middle of a path that does not fit.
    status_ = CreateWindowExA(0, "static", texts_.initialStatus,
                              WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 10, 6, 520, 22, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNotifierStatusId)), instance_, nullptr);
    list_ = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                            WS_CHILD | WS_VISIBLE | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SORTASCENDING |
                                LVS_SHAREIMAGELISTS | LVS_NOLABELWRAP,
                            10, 30, 520, 170, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNotifierListId)),
                            instance_, nullptr);
    separator_ = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE | SS_SUNKEN, 1, 207, 538, 2, window_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNotifierSeparatorId)), instance_,
                                 nullptr);
    cancel_ = CreateWindowExA(0, "button", "Cancel", WS_CHILD | WS_VISIBLE, 350, 215, 70, 25, window_,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNotifierCancelId)), instance_, nullptr);
    closeButton_ =
        CreateWindowExA(0, "button", "Close", WS_CHILD | WS_VISIBLE | WS_DISABLED, 450, 215, 70, 25, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kNotifierCloseId)), instance_, nullptr);

    struct Column {
        const char* title;
        int width;
    } const columns[] = {{"FileName", 250}, {"Type", 190}, {"Result", 60}};
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = const_cast<char*>(columns[i].title);
        SendMessageA(list_, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    SendMessageA(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images_));

    for (HWND control : {status_, cancel_, closeButton_}) {
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    }
}

void Notifier::setStatus(const char* text) {
    if (!window_ || !IsWindow(window_)) return;
    if (text) SetWindowTextA(status_, text);
    ShowWindow(window_, SW_SHOWNORMAL);
}

void Notifier::addResult(const char* path, const char* resultText, bool success) {
    if (!window_ || !IsWindow(window_)) return;
    const char* name = password::fileNameOfPath(path ? path : "", isAnsiLeadByte);
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = const_cast<char*>(name);
    item.iImage = success ? successImage_ : failureImage_;
    item.lParam = success ? 1 : 0;
    const int index = static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) return;

    SHFILEINFOA info = {};
    SHGetFileInfoA(path ? path : "", 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
    LVITEMA sub = {};
    sub.iSubItem = 1;
    sub.pszText = info.szTypeName;
    SendMessageA(list_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
    sub.iSubItem = 2;
    sub.pszText = const_cast<char*>(resultText ? resultText : "");
    SendMessageA(list_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&sub));
}

void Notifier::finish(const char* tallyText) {
    if (!window_ || !IsWindow(window_)) return;
    if (tallyText) SetWindowTextA(status_, tallyText);
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    EnableWindow(closeButton_, TRUE);
    EnableWindow(cancel_, FALSE);
    // Cancel may have held the focus; keep the keyboard working.
    SetFocus(closeButton_);
}

void Notifier::waitUntilClosed() {
    MSG message;
    while (window_ && IsWindow(window_)) {
        BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Sleep(10);
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Notifier::hide() {
    if (window_ && IsWindow(window_)) ShowWindow(window_, SW_HIDE);
    if (parent_) EnableWindow(parent_, TRUE);
}

void Notifier::close() {
    if (parent_) EnableWindow(parent_, TRUE);
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
}

void Notifier::onCloseRequest(HWND window) {
    const DWORD jobThread = static_cast<DWORD>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (jobThread == 0) {
        DestroyWindow(window);
        return;
    }
    const NotifierTexts* texts = textsOf(window);
    if (!texts) return;
    if (MessageBoxA(window, texts->cancelQuestion, texts->cancelCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
    EnableWindow(GetDlgItem(window, kNotifierCancelId), FALSE);
    PostThreadMessageA(jobThread, WM_JOB_CANCEL, 0, 0);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
}

LRESULT Notifier::onCustomDraw(HWND window, NMLVCUSTOMDRAW* draw) {
    const DWORD stage = draw->nmcd.dwDrawStage;
    if (stage == CDDS_ITEMPREPAINT || stage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        HWND list = GetDlgItem(window, kNotifierListId);
        draw->clrText = draw->nmcd.lItemlParam != 0
                            ? static_cast<COLORREF>(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0))
                            : RGB(255, 0, 0);
        draw->clrTextBk = CLR_DEFAULT;
    }
    return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
}

LRESULT CALLBACK Notifier::windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_NCCREATE: {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            SetWindowLongPtrA(window, kTextsOffset, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_CLOSE:
            onCloseRequest(window);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kNotifierCancelId) onCloseRequest(window);
            if (LOWORD(wParam) == kNotifierCloseId) DestroyWindow(window);
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == kNotifierListId && header->code == NM_CUSTOMDRAW) {
                return onCustomDraw(window, reinterpret_cast<NMLVCUSTOMDRAW*>(lParam));
            }
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
