#include "MainWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <windowsx.h>
#include <wrl/client.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "FileTimeMenu.h"
#include "MainLayout.h"
#include "Splitter.h"
#include "browser/FileTransfer.h"
#include "browser/ListCommands.h"
#include "browser/XListView.h"
#include "foundation/Log.h"
#include "foundation/Registry.h"
#include "foundation/String.h"
#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"
#include "office/OfficeVersion.h"
#include "resources/MainWindowHandle.h"
#include "resources/TarnwickIds.h"
#include "settings/OptionDialogs.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/Dpi.h"
#include "wingui/ListView.h"
#include "wingui/ProcessWindows.h"
#include "wingui/Subclass.h"

// The main window is the shell's folder-browse dialog, subclassed while it
// runs: its tree stays on the left, the file list goes on the right with a
// splitter between them, the folder history and the three command buttons
// along the top, a status bar below and a menu bar above. Everything here
// runs on the user-interface thread, inside the dialog's modal loop. One
// MainWindow object, owned by Tarnwick_Run, keeps the window's state for
// the dialog's life; the MainWindow_ functions are entry points into it.

namespace {

const char kProgramName[] = "Tarnwick";
const char kNamespaceControlClass[] = "SHBrowseForFolder ShellNameSpace Control";
constexpr int kButtonIconSize = 18;  // at 96 DPI
constexpr int kHistoryTextSize = 1024;

// The browse dialog's own controls that the layout treats specially.
constexpr int kNewFolderButton = 14150;
constexpr int kDialogText = 14151;

using unique_pidl = unique_cotaskmem_ptr<PIDLIST_ABSOLUTE>;

unique_pidl parseFolder(const char* path) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    if (!wide) return unique_pidl();
    Microsoft::WRL::ComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(&desktop))) return unique_pidl();
    PIDLIST_RELATIVE parsed = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.get(), nullptr, &parsed, nullptr))) parsed = nullptr;
    return unique_pidl(reinterpret_cast<PIDLIST_ABSOLUTE>(parsed));
}

void moveBox(HWND window, const main_layout::Box& box) {
    if (window != nullptr) MoveWindow(window, box.x, box.y, box.width, box.height, TRUE);
}

struct DragPoint {
    int x;
    int y;
};

class MainWindow final : public Subclass {
public:
    MainWindow();
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The one main window while Tarnwick_Run runs, else null.
    static MainWindow* current() { return current_; }

    // Shows the browse dialog and returns when it has ended.
    int run();

    void setup(HWND dialog);
    void loadGeometry();
    void saveGeometry();
    void updateMenu();
    void showHelp();
    void layout(int clientWidth, int clientHeight);
    void onCommand(int id);
    void onFolderChanged(PCIDLIST_ABSOLUTE folder);
    void close();

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    static int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data);
    void onBrowseEvent(HWND dialog, UINT message, LPARAM parameter);

    HWND child(int id) const { return GetDlgItem(dialog_, id); }
    HWND namespaceControl() const;
    HWND folderTree() const;
    void showHelpError(const char* text, const char* caption);
    bool isOwnChild(HWND control) const;
    void shrinkDialogControls(HWND tree, HWND host);
    void applyFirstLayout();

    DragPoint clampToFrame(int x, int y) const;
    DragPoint clientToFrame(int x, int y) const;
    void drawBar(int x);
    void beginSplitterDrag();
    void continueSplitterDrag(WPARAM keys, LPARAM position);
    void endSplitterDrag(LPARAM position);

    void reselectTreeItem();
    void addToHistory(const char* folder);
    void goToHistoryFolder();

    void createControls();
    HWND createButton(const char* text, int id, HINSTANCE instance);
    void applyDpi();

    void postKeyToFocus(WPARAM key);
    template <typename OptionDialog>
    void showOptionDialog();
    LRESULT onDpiChanged(WPARAM wParam, LPARAM lParam);
    LRESULT onNotify(WPARAM wParam, LPARAM lParam);
    LRESULT onCommandMessage(WPARAM wParam, LPARAM lParam);
    void setQuietErrorMode() { SetErrorMode(errorMode_ | SEM_FAILCRITICALERRORS); }

    static MainWindow* current_;

    // The dialog from the start of set-up; the procedure is laid over it
    // (getWindow()) only half-way through.
    HWND dialog_ = nullptr;
    HWND list_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND history_ = nullptr;
    HWND buttons_[3] = {};
    Splitter splitter_;
    // The DPI the window is drawn at, and its font and pictures for it.
    int dpi_ = kStandardDpi;
    unique_hfont messageFont_;
    unique_hicon buttonIcons_[3];
    unique_hicon smallIcon_;

    main_layout::Geometry geometry_;
    bool firstLayoutDone_ = false;
    int splitterPosition_ = 0;

    bool dragging_ = false;
    int lastBarX_ = 0;

    UINT errorMode_ = 0;
    unique_pidl initialFolder_;
    // The folder last posted to the dialog from the history; the dialog
    // reads it when it handles the post, so it lives until the next one.
    unique_pidl postedFolder_;
    char currentFolder_[MAX_PATH + 2] = {};
};

MainWindow* MainWindow::current_ = nullptr;

MainWindow::MainWindow() : Subclass("MainWindow_WndProc") { current_ = this; }

MainWindow::~MainWindow() {
    // Before the members go, should the dialog outlive the object.
    remove();
    if (current_ == this) current_ = nullptr;
}

// The shell's namespace control, or null where the tree is the dialog's
// direct child (Wine's dialog).
HWND MainWindow::namespaceControl() const {
    return FindWindowExA(dialog_, nullptr, kNamespaceControlClass, nullptr);
}

HWND MainWindow::folderTree() const {
    HWND host = namespaceControl();
    return FindWindowExA(host != nullptr ? host : dialog_, nullptr, WC_TREEVIEWA, nullptr);
}

// ---- geometry and menu ----------------------------------------------------

void MainWindow::loadGeometry() {
    Profile profile(nullptr);
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    profile.getGeometry(x, y, width, height);
    geometry_ = main_layout::geometryAtDpi(main_layout::usableGeometry(x, y, width, height), dpi_);
    firstLayoutDone_ = false;
    PostMessageA(dialog_, WM_SIZE, 0, MAKELPARAM(geometry_.width, geometry_.height));
}

void MainWindow::saveGeometry() {
    if (dialog_ == nullptr || !IsWindow(dialog_)) return;
    RECT frame;
    if (!GetWindowRect(dialog_, &frame)) return;
    if (!main_layout::isStorableSize(frame.right - frame.left, frame.bottom - frame.top,
                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
        return;
    }
    const main_layout::Geometry stored = main_layout::geometryToStore(
        {frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top}, dpi_);
    const RECT storedFrame = {stored.x, stored.y, stored.x + stored.width, stored.y + stored.height};
    Profile profile(nullptr);
    profile.setGeometry(storedFrame);
}

void MainWindow::updateMenu() {
    showDonotUpdateFileTimeMark(dialog_);
    showBuiltInEngineMark(dialog_);
}

// ---- help -----------------------------------------------------------------

void MainWindow::showHelpError(const char* text, const char* caption) {
    MessageBoxA(dialog_, text, caption, MB_OK | MB_ICONERROR);
}

void MainWindow::showHelp() {
    char folder[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    char* lastBackslash = std::strrchr(folder, '\\');
    if (lastBackslash != nullptr) *lastBackslash = '\0';

    char viewer[MAX_PATH + 32];
    char helpFile[MAX_PATH + 32];
    std::snprintf(viewer, sizeof viewer, "%s\\Lanternpane.exe", folder);
    std::snprintf(helpFile, sizeof helpFile, "%s\\html\\Tarnwick.html", folder);
    if (GetFileAttributesA(viewer) == INVALID_FILE_ATTRIBUTES) {
        showHelpError("Error:\r\nNot found Lanternpane.exe program", "Postwarden");
        return;
    }
    if (GetFileAttributesA(helpFile) == INVALID_FILE_ATTRIBUTES) {
        showHelpError("Error:\r\nNot found a help file(Tarnwick.html)", kProgramName);
        return;
    }
    char commandLine[2 * MAX_PATH + 80];
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" %s", viewer, helpFile);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &process)) {
        logError("MainWindow_ShowHelp,1,CreateProcess %lu", GetLastError());
        return;
    }
    // Nothing waits for the viewer: its handles go at once.
    unique_handle viewerThread(process.hThread);
    unique_handle viewerProcess(process.hProcess);
}

// ---- layout ---------------------------------------------------------------

bool MainWindow::isOwnChild(HWND control) const {
    if (control == list_ || control == statusBar_ || control == splitter_.getWindow() || control == history_) {
        return true;
    }
    for (HWND button : buttons_) {
        if (control == button) return true;
    }
    return false;
}

// Shrinks the dialog's own buttons, texts and edit box to nothing. Which of
// them exist differs between shell versions, so every direct child that is
// neither ours nor the tree (or its namespace control) goes; the edit box
// (14148 on Windows, 14149 on Wine), found by its class, is hidden and
// disabled as well.
void MainWindow::shrinkDialogControls(HWND tree, HWND host) {
    for (HWND control = GetWindow(dialog_, GW_CHILD); control != nullptr;
         control = GetWindow(control, GW_HWNDNEXT)) {
        if (control == tree || control == host || isOwnChild(control)) continue;
        RECT rect;
        if (GetWindowRect(control, &rect) && rect.right > rect.left) MoveWindow(control, 0, 0, 0, 0, TRUE);
        char className[32] = {};
        GetClassNameA(control, className, sizeof className);
        if (lstrcmpiA(className, WC_EDITA) == 0) {
            ShowWindow(control, SW_HIDE);
            EnableWindow(control, FALSE);
        }
    }
    if (HWND newFolder = child(kNewFolderButton)) {
        ShowWindow(newFolder, SW_HIDE);
        EnableWindow(newFolder, TRUE);
    }
    if (HWND text = child(kDialogText)) EnableWindow(text, FALSE);
}

// The first size after set-up applies the stored geometry, then a click on
// the splitter that ends with no position of its own, so every run starts
// with the default split.
void MainWindow::applyFirstLayout() {
    MoveWindow(dialog_, geometry_.x, geometry_.y, geometry_.width, geometry_.height, FALSE);
    PostMessageA(dialog_, WM_SIZE, 0, MAKELPARAM(geometry_.width, geometry_.height));
    firstLayoutDone_ = true;
    PostMessageA(dialog_, WM_LBUTTONDOWN, IDC_MAIN_SPLITTER, 0);
    PostMessageA(dialog_, WM_LBUTTONUP, 0, 0);
    // The start folder once more: under Wine the tree can end up on the
    // Desktop while the list shows the folder.
    if (initialFolder_) {
        PostMessageA(dialog_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(initialFolder_.get()));
    }
}

void MainWindow::layout(int clientWidth, int clientHeight) {
    if (!firstLayoutDone_) {
        applyFirstLayout();
        return;
    }
    InvalidateRect(dialog_, nullptr, FALSE);
    UpdateWindow(dialog_);

    RECT statusRect = {};
    if (statusBar_ != nullptr) GetWindowRect(statusBar_, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    const main_layout::Arrangement arrangement =
        main_layout::arrange(clientWidth, clientHeight, statusHeight, splitterPosition_, dpi_);
    moveBox(statusBar_, arrangement.statusBar);

    HWND host = namespaceControl();
    HWND tree = folderTree();
    shrinkDialogControls(tree, host);
    if (host != nullptr) {
        if (tree != nullptr) MoveWindow(tree, 0, 0, arrangement.tree.width, arrangement.tree.height, TRUE);
        moveBox(host, arrangement.tree);
    } else {
        moveBox(tree, arrangement.tree);
    }
    moveBox(splitter_.getWindow(), arrangement.splitter);
    moveBox(list_, arrangement.list);
    moveBox(statusBar_, arrangement.statusBar);
    if (history_ != nullptr) {
        MoveWindow(history_, 0, 0, clientWidth, 220, TRUE);
        moveBox(history_, arrangement.history);
    }
    moveBox(buttons_[0], arrangement.encrypt);
    moveBox(buttons_[1], arrangement.decrypt);
    moveBox(buttons_[2], arrangement.password);
}

// ---- splitter drag --------------------------------------------------------

DragPoint MainWindow::clampToFrame(int x, int y) const {
    RECT frame;
    GetWindowRect(dialog_, &frame);
    return {main_layout::clampDrag(x, frame.right - frame.left, dpi_),
            main_layout::clampDrag(y, frame.bottom - frame.top, dpi_)};
}

// Client coordinates relative to the window rectangle.
DragPoint MainWindow::clientToFrame(int x, int y) const {
    POINT point = {x, y};
    ClientToScreen(dialog_, &point);
    RECT frame;
    GetWindowRect(dialog_, &frame);
    return clampToFrame(point.x - frame.left, point.y - frame.top);
}

void MainWindow::drawBar(int x) {
    if (splitter_.getWindow() != nullptr) Splitter_DrawBar(dialog_, splitter_.getWindow(), x);
}

void MainWindow::beginSplitterDrag() {
    POINT cursor;
    GetCursorPos(&cursor);
    RECT frame;
    GetWindowRect(dialog_, &frame);
    DragPoint point = clampToFrame(cursor.x - frame.left, cursor.y - frame.top);
    dragging_ = true;
    SetCapture(dialog_);
    lastBarX_ = point.x - scaleForDpi(2, dpi_);
    drawBar(lastBarX_);
}

void MainWindow::continueSplitterDrag(WPARAM keys, LPARAM position) {
    if (!dragging_) return;
    DragPoint point = clientToFrame(GET_X_LPARAM(position), GET_Y_LPARAM(position));
    const int barX = point.x - scaleForDpi(2, dpi_);
    if (barX != lastBarX_ && (keys & MK_LBUTTON) != 0) {
        drawBar(lastBarX_);
        drawBar(barX);
        lastBarX_ = barX;
    }
}

void MainWindow::endSplitterDrag(LPARAM position) {
    if (!dragging_) return;
    DragPoint point = clientToFrame(GET_X_LPARAM(position), GET_Y_LPARAM(position));
    drawBar(lastBarX_);
    dragging_ = false;
    // Back to client coordinates.
    RECT frame;
    GetWindowRect(dialog_, &frame);
    POINT origin = {0, 0};
    ClientToScreen(dialog_, &origin);
    splitterPosition_ = point.x - (origin.x - frame.left);
    RECT client;
    GetClientRect(dialog_, &client);
    PostMessageA(dialog_, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    ReleaseCapture();
}

// ---- folders --------------------------------------------------------------

void MainWindow::reselectTreeItem() {
    HWND tree = folderTree();
    if (tree == nullptr) return;
    HTREEITEM selected = TreeView_GetSelection(tree);
    if (selected == nullptr) return;
    // The item is set again with the name and icons it has, so that it keeps
    // showing them whether the shell fills its items on demand (callbacks)
    // or once (Wine's dialog answers no callback for icons).
    char text[MAX_PATH] = {};
    TVITEMA item = {};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
    item.hItem = selected;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_HANDLE;
    item.pszText = text;
    item.state = 0;
    item.stateMask = 0;
    SendMessageA(tree, TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    // A folder chosen from the history or at start-up may lie outside the
    // part of the tree in view.
    TreeView_EnsureVisible(tree, selected);
}

void MainWindow::addToHistory(const char* folder) {
    if (history_ == nullptr) return;
    // A folder outside the file system has no path to go back to; the box
    // shows none rather than the folder before it.
    if (folder[0] == '\0') {
        SetWindowTextA(history_, "");
        return;
    }
    const LRESULT found = SendMessageA(history_, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(folder));
    if (found == CB_ERR) {
        char text[MAX_PATH + 1];
        lstrcpynA(text, folder, sizeof text);
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = 0;
        item.pszText = text;
        SendMessageA(history_, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SetWindowTextA(history_, folder);
}

void MainWindow::onFolderChanged(PCIDLIST_ABSOLUTE folder) {
    char path[MAX_PATH + 2] = {};
    if (folder == nullptr || !SHGetPathFromIDListA(folder, path)) {
        path[0] = '\0';
    } else {
        PathAddBackslashA(path);
    }
    lstrcpynA(currentFolder_, path, sizeof currentFolder_);
    XListView_ListFolder(list_, currentFolder_);

    char title[MAX_PATH + 32];
    std::snprintf(title, sizeof title, "%s - %s", currentFolder_, kProgramName);
    SetWindowTextA(dialog_, title);
    if (statusBar_ != nullptr) SetWindowTextA(statusBar_, "");
    reselectTreeItem();
    addToHistory(currentFolder_);
}

void MainWindow::goToHistoryFolder() {
    char text[kHistoryTextSize] = {};
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    // The chosen entry; its text reaches the edit field only after this
    // notification.
    item.iItem = SendMessageA(history_, CB_GETCURSEL, 0, 0);
    if (item.iItem == CB_ERR) item.iItem = -1;
    item.pszText = text;
    item.cchTextMax = kHistoryTextSize;
    if (!SendMessageA(history_, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    if (text[0] == '\0' || lstrcmpiA(text, currentFolder_) == 0) return;
    unique_pidl folder = parseFolder(text);
    if (!folder) return;
    postedFolder_ = std::move(folder);
    PostMessageA(dialog_, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(postedFolder_.get()));
}

// ---- set-up ---------------------------------------------------------------

HWND MainWindow::createButton(const char* text, int id, HINSTANCE instance) {
    return CreateWindowExA(0, WC_BUTTONA, text, WS_CHILD | WS_VISIBLE, 0, 0, 80, 30, dialog_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

HICON loadIcon(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

// Gives the window's own controls the font and pictures for dpi_; the old
// ones go once nothing shows them.
void MainWindow::applyDpi() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    unique_hfont font = createMessageFont(static_cast<UINT>(dpi_));
    for (HWND control : {buttons_[0], buttons_[1], buttons_[2], history_, statusBar_, list_}) {
        if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    messageFont_ = std::move(font);

    static const int kButtonIcons[] = {IDI_ENCRYPT, IDI_DECRYPT, IDI_PASSWORD};
    const int iconSize = scaleForDpi(kButtonIconSize, dpi_);
    for (int i = 0; i < 3; ++i) {
        unique_hicon icon(loadIcon(instance, kButtonIcons[i], iconSize));
        if (buttons_[i] != nullptr) {
            SendMessageA(buttons_[i], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
        }
        buttonIcons_[i] = std::move(icon);
    }
    const int smallSize = smallIconSize(static_cast<UINT>(dpi_));
    unique_hicon small(loadIcon(instance, IDI_TARNWICK, smallSize));
    if (small) SendMessageA(dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    smallIcon_ = std::move(small);
}

void MainWindow::createControls() {
    HINSTANCE instance = Program_GetInstance();
    list_ = XListView_Create(dialog_, IDC_MAIN_LIST);
    XListView_SetColumns(list_);
    splitter_.create(dialog_, IDC_MAIN_SPLITTER, 0, 0, 5, geometry_.height - 50);
    statusBar_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, geometry_.width,
                                 geometry_.height, dialog_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_STATUS)), instance, nullptr);
    buttons_[0] = createButton("Encrypt", IDC_ENCRYPT_BUTTON, instance);
    buttons_[1] = createButton("Decrypt", IDC_DECRYPT_BUTTON, instance);
    buttons_[2] = createButton("Password", IDC_PASSWORD_BUTTON, instance);
    history_ = CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | CBS_DROPDOWN, 0, 0, 100,
                               220, dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FOLDER_HISTORY)),
                               instance, nullptr);
}

void MainWindow::setup(HWND dialog) {
    dialog_ = dialog;
    dpi_ = static_cast<int>(dpiOfWindow(dialog));
    MainWindow_SetHandle(dialog);
    loadGeometry();

    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CLIPCHILDREN);
    style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    SetWindowLongPtrA(dialog, GWL_STYLE, style);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    SetWindowTextA(dialog, kProgramName);

    HMENU menu = LoadMenuA(Program_GetInstance(), MAKEINTRESOURCEA(IDR_MAINMENU));
    if (menu == nullptr) {
        MessageBoxA(dialog, "Failed to load a menu", "ERROR", MB_OK);
    } else {
        SetMenu(dialog, menu);
    }
    updateMenu();

    // The dialog is a Unicode window: subclassed as one, so that messages
    // passed on keep their form.
    install(dialog, Form::Unicode);
    createControls();
    applyDpi();
    // Finds and caches the installed Word version now rather than during the
    // first job.
    OfficeVersion::isOfficeWord12Convertible();
}

// ---- commands -------------------------------------------------------------

// Posts a key to the folder tree or the file list, whichever has the focus.
void MainWindow::postKeyToFocus(WPARAM key) {
    HWND focus = GetFocus();
    if (focus == nullptr) return;
    if (focus == folderTree() || focus == list_) PostMessageA(focus, WM_KEYDOWN, key, 0);
}

template <typename OptionDialog>
void MainWindow::showOptionDialog() {
    OptionDialog dialog;
    dialog.prepare(list_);
    dialog.show();
}

void MainWindow::onCommand(int id) {
    switch (id) {
        case IDM_FILE_NEW_FOLDER:
            PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(kNewFolderButton, 0),
                         reinterpret_cast<LPARAM>(child(kNewFolderButton)));
            break;
        case IDM_FILE_DELETE: postKeyToFocus(VK_DELETE); break;
        case IDM_FILE_CHANGE_NAME: postKeyToFocus(VK_F2); break;
        case IDM_EXIT: PostMessageA(dialog_, WM_CLOSE, 0, 0); break;
        case IDM_EDIT_COPY: XListView_CopyToClipboard(list_); break;
        case IDM_EDIT_PASTE: XListView_PastFromClipboard(list_); break;
        case IDM_EDIT_DELETE: XListView_DeleteSelectedFiles(list_); break;
        case IDM_EDIT_SELECT_ALL: XListView_SelectAll(list_); break;
        case IDM_DONT_UPDATE_LASTMODIFIED: toggleDonotUpdateFileTime(dialog_); break;
        case IDM_BUILT_IN_ENGINE: toggleBuiltInEngine(dialog_); break;
        case IDM_PDFTK_SETTING: showOptionDialog<PdfToolkitSettingDialog>(); break;
        case IDM_PDF_ACCESS_RIGHTS: showOptionDialog<PdfAccessRightsDialog>(); break;
        case IDM_SHOW_HELP: showHelp(); break;
        case IDM_SHOW_VERSION: showOptionDialog<VersionDialog>(); break;
        default: break;
    }
}

void MainWindow::close() {
    if (currentFolder_[0] != '\0') {
        TarnwickRegistry settings;
        settings.setInitialFolder(currentFolder_);
    }
    saveGeometry();
    PostQuitMessage(0);
}

// The window moved to a screen of another DPI: the shell's dialog scales
// its own controls, then ours get their font and pictures again, the
// splitter keeps its place in proportion and everything is laid out anew
// in the rectangle the system suggests.
LRESULT MainWindow::onDpiChanged(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = passOn(WM_DPICHANGED, wParam, lParam);
    const int dpi = static_cast<int>(HIWORD(wParam));
    if (dpi <= 0 || dpi == dpi_) return result;
    const int previous = dpi_;
    dpi_ = dpi;
    if (splitterPosition_ > 0) splitterPosition_ = rescaleForDpi(splitterPosition_, previous, dpi);
    applyDpi();
    if (list_ != nullptr) listRescaleColumns(list_, previous, dpi);
    applyDpiChange(dialog_, wParam, lParam);
    RECT client;
    GetClientRect(dialog_, &client);
    layout(client.right, client.bottom);
    return result;
}

LRESULT MainWindow::onNotify(WPARAM wParam, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header != nullptr && header->hwndFrom == list_) {
        switch (header->code) {
            // Both forms carry the row and the text pointer at one place.
            case LVN_ENDLABELEDITW:
            case LVN_ENDLABELEDITA: {
                const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
                return XListView_EndLabelEdit(list_, item.iItem, item.pszText == nullptr);
            }
            case LVN_BEGINLABELEDITW:
            case LVN_BEGINLABELEDITA:
                XListView_BeginLabelEdit(list_, reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem);
                return 0;
            case LVN_BEGINDRAG: XListView_OnBegindrag(list_); return 1;
            case NM_CUSTOMDRAW: return XListView_OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
            default: break;
        }
    }
    return passOn(WM_NOTIFY, wParam, lParam);
}

LRESULT MainWindow::onCommandMessage(WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_FOLDER_HISTORY && code == CBN_SELCHANGE) {
        goToHistoryFolder();
        return 1;
    }
    // Encrypt, Decrypt and Password, in the order of buttons_.
    static void (*const kButtonCommands[])(HWND) = {XListView_EncryptSelected, XListView_DecryptSelected,
                                                    XListView_ShowPassword};
    for (int i = 0; i < 3; ++i) {
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == buttons_[i]) {
            kButtonCommands[i](list_);
            return 1;
        }
    }
    if (lParam == 0 && id != 0 && code == 0) {
        onCommand(id);
        return 1;
    }
    // Enter and Esc would end the dialog, and with it the program.
    if (id == IDOK || id == IDCANCEL) return 0;
    return passOn(WM_COMMAND, wParam, lParam);
}

LRESULT MainWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case WM_LBUTTONDOWN:
            if (wParam == IDC_MAIN_SPLITTER) {
                beginSplitterDrag();
                return 1;
            }
            break;
        case WM_SIZE: layout(LOWORD(lParam), HIWORD(lParam)); return 1;
        case WM_CLOSE: close(); return 1;
        case WM_NOTIFY: return onNotify(wParam, lParam);
        case WM_KEYDOWN: MessageBeep(0); return 1;
        case WM_COMMAND: return onCommandMessage(wParam, lParam);
        case WM_INITMENU: DrawMenuBar(dialog_); return 1;
        case WM_DPICHANGED: return onDpiChanged(wParam, lParam);
        case WM_MOUSEMOVE: continueSplitterDrag(wParam, lParam); return 1;
        case WM_LBUTTONUP: endSplitterDrag(lParam); return 1;
        default: break;
    }
    return passOn(message, wParam, lParam);
}

// ---- the browse dialog ----------------------------------------------------

// The dialog's events reach the object given as the callback's data; no
// exception leaves the callback.
int CALLBACK MainWindow::browseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data) {
    auto* window = reinterpret_cast<MainWindow*>(data);
    if (window == nullptr) return 0;
    try {
        window->onBrowseEvent(dialog, message, parameter);
    } catch (...) {
        logError("BrowseCallback,1,Unexpected exception at message 0x%x", message);
    }
    return 0;
}

void MainWindow::onBrowseEvent(HWND dialog, UINT message, LPARAM parameter) {
    switch (message) {
        case BFFM_INITIALIZED:
            setup(dialog);
            if (initialFolder_) {
                PostMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(initialFolder_.get()));
                onFolderChanged(initialFolder_.get());
            }
            break;
        case BFFM_SELCHANGED:
            setQuietErrorMode();
            onFolderChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter));
            break;
        default: break;
    }
}

unique_pidl initialFolder() {
    TarnwickRegistry settings;
    String saved;
    if (!settings.getInitialFolder(saved)) return unique_pidl();
    logDebug("Tarnwick_Run,2,InitialFolder %s", saved.getContents());
    // The drive decides, also for a folder below its root.
    char root[MAX_PATH + 2] = {};
    lstrcpynA(root, saved.getContents(), MAX_PATH);
    PathStripToRootA(root);
    PathAddBackslashA(root);
    const UINT driveType = GetDriveTypeA(root);
    if (driveType == DRIVE_REMOVABLE || driveType == DRIVE_CDROM) {
        unique_pidl documents;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, documents.put()))) return unique_pidl();
        return documents;
    }
    return parseFolder(saved.getContents());
}

int MainWindow::run() {
    // Quiet before the stored folder is looked at: an empty drive in it
    // must raise no system message box.
    errorMode_ = SetErrorMode(0);
    setQuietErrorMode();
    initialFolder_ = initialFolder();

    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = "";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = browseCallback;
    info.lParam = reinterpret_cast<LPARAM>(this);
    unique_pidl chosen(SHBrowseForFolderA(&info));
    SetErrorMode(errorMode_);
    return 0;
}

}  // namespace

int Tarnwick_Run() {
    logDebug("Tarnwick_Run,1,Start");
    int result = 0;
    {
        MainWindow window;
        result = window.run();
    }
    logDebug("Tarnwick_Run,4,End");
    return result;
}

// ---- entry points ---------------------------------------------------------

void MainWindow_Setup(HWND dialog) {
    if (MainWindow* window = MainWindow::current()) window->setup(dialog);
}
void MainWindow_LoadGeometry() {
    if (MainWindow* window = MainWindow::current()) window->loadGeometry();
}
void MainWindow_SaveGeometry() {
    if (MainWindow* window = MainWindow::current()) window->saveGeometry();
}
void MainWindow_UpdateMenu() {
    if (MainWindow* window = MainWindow::current()) window->updateMenu();
}
void MainWindow_ShowHelp() {
    if (MainWindow* window = MainWindow::current()) window->showHelp();
}
void MainWindow_Layout(int clientWidth, int clientHeight) {
    if (MainWindow* window = MainWindow::current()) window->layout(clientWidth, clientHeight);
}
void MainWindow_OnCommand(int id) {
    if (MainWindow* window = MainWindow::current()) window->onCommand(id);
}
void MainWindow_OnFolderChanged(PCIDLIST_ABSOLUTE folder) {
    if (MainWindow* window = MainWindow::current()) window->onFolderChanged(folder);
}
void MainWindow_Close() {
    if (MainWindow* window = MainWindow::current()) window->close();
}

LRESULT CALLBACK MainWindow_WndProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindow* window = MainWindow::current();
    if (window == nullptr || window->getWindow() != dialog) return DefWindowProcW(dialog, message, wParam, lParam);
    return window->deliver(message, wParam, lParam);
}
