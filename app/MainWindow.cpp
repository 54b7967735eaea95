#include "MainWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <windowsx.h>

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
#include "office/OfficeVersion.h"
#include "resources/MainWindowHandle.h"
#include "resources/TarnwickIds.h"
#include "settings/OptionDialogs.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/Dpi.h"
#include "wingui/ListView.h"
#include "wingui/ProcessWindows.h"

// The main window is the shell's folder-browse dialog, subclassed while it
// runs: its tree stays on the left, the file list goes on the right with a
// splitter between them, the folder history and the three command buttons
// along the top, a status bar below and a menu bar above. Everything here
// runs on the user-interface thread, inside the dialog's modal loop.

namespace {

const char kProgramName[] = "Tarnwick";
const char kNamespaceControlClass[] = "SHBrowseForFolder ShellNameSpace Control";
constexpr int kButtonIconSize = 18;  // at 96 DPI
constexpr int kHistoryTextSize = 1024;

// The browse dialog's own controls that the layout treats specially.
constexpr int kNewFolderButton = 14150;
constexpr int kDialogText = 14151;

struct MainWindowState {
    HWND dialog = nullptr;
    HWND list = nullptr;
    HWND statusBar = nullptr;
    HWND splitter = nullptr;
    HWND history = nullptr;
    HWND buttons[3] = {};
    // The DPI the window is drawn at, and its font and pictures for it.
    int dpi = kStandardDpi;
    unique_hfont messageFont;
    unique_hicon buttonIcons[3];
    unique_hicon smallIcon;
    WNDPROC previousProcedure = nullptr;

    main_layout::Geometry geometry;
    bool firstLayoutDone = false;
    int splitterPosition = 0;

    bool dragging = false;
    int lastBarX = 0;

    UINT errorMode = 0;
    PIDLIST_ABSOLUTE initialFolder = nullptr;
    // The folder last posted to the dialog from the history; the dialog
    // reads it when it handles the post, so it lives until the next one.
    PIDLIST_ABSOLUTE postedFolder = nullptr;
    char currentFolder[MAX_PATH + 2] = {};
};

MainWindowState state;

LRESULT CALLBACK MainWindow_WndProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

PIDLIST_ABSOLUTE parseFolder(const char* path) {
    std::unique_ptr<wchar_t[]> wide = wideFromAnsi(path);
    if (!wide) return nullptr;
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop))) return nullptr;
    PIDLIST_RELATIVE parsed = nullptr;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.get(), nullptr, &parsed, nullptr))) parsed = nullptr;
    desktop->Release();
    return reinterpret_cast<PIDLIST_ABSOLUTE>(parsed);
}

HWND child(int id) { return GetDlgItem(state.dialog, id); }

// The shell's namespace control, or null where the tree is the dialog's
// direct child (Wine's dialog).
HWND namespaceControl() { return FindWindowExA(state.dialog, nullptr, kNamespaceControlClass, nullptr); }

HWND folderTree() {
    HWND host = namespaceControl();
    return FindWindowExA(host != nullptr ? host : state.dialog, nullptr, WC_TREEVIEWA, nullptr);
}

void moveBox(HWND window, const main_layout::Box& box) {
    if (window != nullptr) MoveWindow(window, box.x, box.y, box.width, box.height, TRUE);
}

// ---- geometry and menu ----------------------------------------------------

void MainWindow_LoadGeometry() {
    Profile profile(nullptr);
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    profile.getGeometry(x, y, width, height);
    state.geometry = main_layout::geometryAtDpi(main_layout::usableGeometry(x, y, width, height), state.dpi);
    state.firstLayoutDone = false;
    PostMessageA(state.dialog, WM_SIZE, 0, MAKELPARAM(state.geometry.width, state.geometry.height));
}

void MainWindow_SaveGeometry() {
    if (state.dialog == nullptr || !IsWindow(state.dialog)) return;
    RECT frame;
    if (!GetWindowRect(state.dialog, &frame)) return;
    if (!main_layout::isStorableSize(frame.right - frame.left, frame.bottom - frame.top,
                                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) {
        return;
    }
    const main_layout::Geometry stored = main_layout::geometryToStore(
        {frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top}, state.dpi);
    const RECT storedFrame = {stored.x, stored.y, stored.x + stored.width, stored.y + stored.height};
    Profile profile(nullptr);
    profile.setGeometry(storedFrame);
}

void MainWindow_UpdateMenu() {
    showDonotUpdateFileTimeMark(state.dialog);
    showBuiltInEngineMark(state.dialog);
}

// ---- help -----------------------------------------------------------------

void showHelpError(const char* text, const char* caption) {
    MessageBoxA(state.dialog, text, caption, MB_OK | MB_ICONERROR);
}

void MainWindow_ShowHelp() {
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
    if (CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    } else {
        logError("MainWindow_ShowHelp,1,CreateProcess %lu", GetLastError());
    }
}

// ---- layout ---------------------------------------------------------------

bool isOwnChild(HWND control) {
    if (control == state.list || control == state.statusBar || control == state.splitter ||
        control == state.history) {
        return true;
    }
    for (HWND button : state.buttons) {
        if (control == button) return true;
    }
    return false;
}

// Shrinks the dialog's own buttons, texts and edit box to nothing. Which of
// them exist differs between shell versions, so every direct child that is
// neither ours nor the tree (or its namespace control) goes; the edit box
// (14148 on Windows, 14149 on Wine), found by its class, is hidden and
// disabled as well.
void shrinkDialogControls(HWND tree, HWND host) {
    for (HWND control = GetWindow(state.dialog, GW_CHILD); control != nullptr;
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

void MainWindow_Layout(int clientWidth, int clientHeight) {
    if (!state.firstLayoutDone) {
        // The first size after set-up applies the stored geometry, then a
        // click on the splitter that ends with no position of its own, so
        // every run starts with the default split.
        MoveWindow(state.dialog, state.geometry.x, state.geometry.y, state.geometry.width, state.geometry.height,
                   FALSE);
        PostMessageA(state.dialog, WM_SIZE, 0, MAKELPARAM(state.geometry.width, state.geometry.height));
        state.firstLayoutDone = true;
        PostMessageA(state.dialog, WM_LBUTTONDOWN, IDC_MAIN_SPLITTER, 0);
        PostMessageA(state.dialog, WM_LBUTTONUP, 0, 0);
        // The start folder once more: under Wine the tree can end up on the
        // Desktop while the list shows the folder.
        if (state.initialFolder != nullptr) {
            PostMessageA(state.dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(state.initialFolder));
        }
        return;
    }
    InvalidateRect(state.dialog, nullptr, FALSE);
    UpdateWindow(state.dialog);

    RECT statusRect = {};
    if (state.statusBar != nullptr) GetWindowRect(state.statusBar, &statusRect);
    const int statusHeight = statusRect.bottom - statusRect.top;
    const main_layout::Arrangement arrangement =
        main_layout::arrange(clientWidth, clientHeight, statusHeight, state.splitterPosition, state.dpi);
    moveBox(state.statusBar, arrangement.statusBar);

    HWND host = namespaceControl();
    HWND tree = folderTree();
    shrinkDialogControls(tree, host);
    if (host != nullptr) {
        if (tree != nullptr) MoveWindow(tree, 0, 0, arrangement.tree.width, arrangement.tree.height, TRUE);
        moveBox(host, arrangement.tree);
    } else {
        moveBox(tree, arrangement.tree);
    }
    moveBox(state.splitter, arrangement.splitter);
    moveBox(state.list, arrangement.list);
    moveBox(state.statusBar, arrangement.statusBar);
    if (state.history != nullptr) {
        MoveWindow(state.history, 0, 0, clientWidth, 220, TRUE);
        moveBox(state.history, arrangement.history);
    }
    moveBox(state.buttons[0], arrangement.encrypt);
    moveBox(state.buttons[1], arrangement.decrypt);
    moveBox(state.buttons[2], arrangement.password);
}

// ---- splitter drag --------------------------------------------------------

struct DragPoint {
    int x;
    int y;
};

DragPoint clampToFrame(int x, int y) {
    RECT frame;
    GetWindowRect(state.dialog, &frame);
    return {main_layout::clampDrag(x, frame.right - frame.left, state.dpi),
            main_layout::clampDrag(y, frame.bottom - frame.top, state.dpi)};
}

// Client coordinates relative to the window rectangle.
DragPoint clientToFrame(int x, int y) {
    POINT point = {x, y};
    ClientToScreen(state.dialog, &point);
    RECT frame;
    GetWindowRect(state.dialog, &frame);
    return clampToFrame(point.x - frame.left, point.y - frame.top);
}

void drawBar(int x) {
    if (state.splitter != nullptr) Splitter_DrawBar(state.dialog, state.splitter, x);
}

void beginSplitterDrag() {
    POINT cursor;
    GetCursorPos(&cursor);
    RECT frame;
    GetWindowRect(state.dialog, &frame);
    DragPoint point = clampToFrame(cursor.x - frame.left, cursor.y - frame.top);
    state.dragging = true;
    SetCapture(state.dialog);
    state.lastBarX = point.x - scaleForDpi(2, state.dpi);
    drawBar(state.lastBarX);
}

void continueSplitterDrag(WPARAM keys, LPARAM position) {
    if (!state.dragging) return;
    DragPoint point = clientToFrame(GET_X_LPARAM(position), GET_Y_LPARAM(position));
    const int barX = point.x - scaleForDpi(2, state.dpi);
    if (barX != state.lastBarX && (keys & MK_LBUTTON) != 0) {
        drawBar(state.lastBarX);
        drawBar(barX);
        state.lastBarX = barX;
    }
}

void endSplitterDrag(LPARAM position) {
    if (!state.dragging) return;
    DragPoint point = clientToFrame(GET_X_LPARAM(position), GET_Y_LPARAM(position));
    drawBar(state.lastBarX);
    state.dragging = false;
    // Back to client coordinates.
    RECT frame;
    GetWindowRect(state.dialog, &frame);
    POINT origin = {0, 0};
    ClientToScreen(state.dialog, &origin);
    state.splitterPosition = point.x - (origin.x - frame.left);
    RECT client;
    GetClientRect(state.dialog, &client);
    PostMessageA(state.dialog, WM_SIZE, 0, MAKELPARAM(client.right, client.bottom));
    ReleaseCapture();
}

// ---- folders --------------------------------------------------------------

void reselectTreeItem() {
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

void addToHistory(const char* folder) {
    if (state.history == nullptr) return;
    // A folder outside the file system has no path to go back to; the box
    // shows none rather than the folder before it.
    if (folder[0] == '\0') {
        SetWindowTextA(state.history, "");
        return;
    }
    const LRESULT found = SendMessageA(state.history, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(folder));
    if (found == CB_ERR) {
        char text[MAX_PATH + 1];
        lstrcpynA(text, folder, sizeof text);
        COMBOBOXEXITEMA item = {};
        item.mask = CBEIF_TEXT;
        item.iItem = 0;
        item.pszText = text;
        SendMessageA(state.history, CBEM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    SetWindowTextA(state.history, folder);
}

void MainWindow_OnFolderChanged(PCIDLIST_ABSOLUTE folder) {
    char path[MAX_PATH + 2] = {};
    if (folder == nullptr || !SHGetPathFromIDListA(folder, path)) {
        path[0] = '\0';
    } else {
        PathAddBackslashA(path);
    }
    lstrcpynA(state.currentFolder, path, sizeof state.currentFolder);
    XListView_ListFolder(state.list, state.currentFolder);

    char title[MAX_PATH + 32];
    std::snprintf(title, sizeof title, "%s - %s", state.currentFolder, kProgramName);
    SetWindowTextA(state.dialog, title);
    if (state.statusBar != nullptr) SetWindowTextA(state.statusBar, "");
    reselectTreeItem();
    addToHistory(state.currentFolder);
}

void goToHistoryFolder() {
    char text[kHistoryTextSize] = {};
    COMBOBOXEXITEMA item = {};
    item.mask = CBEIF_TEXT;
    // The chosen entry; its text reaches the edit field only after this
    // notification.
    item.iItem = SendMessageA(state.history, CB_GETCURSEL, 0, 0);
    if (item.iItem == CB_ERR) item.iItem = -1;
    item.pszText = text;
    item.cchTextMax = kHistoryTextSize;
    if (!SendMessageA(state.history, CBEM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return;
    if (text[0] == '\0' || lstrcmpiA(text, state.currentFolder) == 0) return;
    PIDLIST_ABSOLUTE folder = parseFolder(text);
    if (folder == nullptr) return;
    if (state.postedFolder != nullptr) CoTaskMemFree(state.postedFolder);
    state.postedFolder = folder;
    PostMessageA(state.dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(folder));
}

// ---- set-up ---------------------------------------------------------------

HWND createButton(const char* text, int id, HINSTANCE instance) {
    return CreateWindowExA(0, WC_BUTTONA, text, WS_CHILD | WS_VISIBLE, 0, 0, 80, 30, state.dialog,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
}

HICON loadIcon(HINSTANCE instance, int id, int size) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

// Gives the window's own controls the font and pictures for state.dpi; the
// old ones go once nothing shows them.
void applyDpi() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    unique_hfont font = createMessageFont(static_cast<UINT>(state.dpi));
    for (HWND control : {state.buttons[0], state.buttons[1], state.buttons[2], state.history, state.statusBar,
                         state.list}) {
        if (control != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    state.messageFont = std::move(font);

    static const int kButtonIcons[] = {IDI_ENCRYPT, IDI_DECRYPT, IDI_PASSWORD};
    const int iconSize = scaleForDpi(kButtonIconSize, state.dpi);
    for (int i = 0; i < 3; ++i) {
        unique_hicon icon(loadIcon(instance, kButtonIcons[i], iconSize));
        if (state.buttons[i] != nullptr) {
            SendMessageA(state.buttons[i], BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon.get()));
        }
        state.buttonIcons[i] = std::move(icon);
    }
    const int smallSize = smallIconSize(static_cast<UINT>(state.dpi));
    unique_hicon small(loadIcon(instance, IDI_TARNWICK, smallSize));
    if (small) SendMessageA(state.dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
    state.smallIcon = std::move(small);
}

void MainWindow_Setup(HWND dialog) {
    state.dialog = dialog;
    state.dpi = static_cast<int>(dpiOfWindow(dialog));
    MainWindow_SetHandle(dialog);
    MainWindow_LoadGeometry();

    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    style &= ~static_cast<LONG_PTR>(WS_CLIPCHILDREN);
    style |= WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
    SetWindowLongPtrA(dialog, GWL_STYLE, style);
    SetWindowPos(dialog, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    SetWindowTextA(dialog, kProgramName);

    HINSTANCE instance = Program_GetInstance();
    HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAINMENU));
    if (menu == nullptr) {
        MessageBoxA(dialog, "Failed to load a menu", "ERROR", MB_OK);
    } else {
        SetMenu(dialog, menu);
    }
    MainWindow_UpdateMenu();

    // The dialog is a Unicode window: subclass it as one, so that messages
    // passed on keep their form.
    state.previousProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MainWindow_WndProc)));

    state.list = XListView_Create(dialog, IDC_MAIN_LIST);
    XListView_SetColumns(state.list);
    state.splitter = Splitter_Create(dialog, IDC_MAIN_SPLITTER, 0, 0, 5, state.geometry.height - 50);
    state.statusBar = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, state.geometry.width,
                                      state.geometry.height, dialog,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_MAIN_STATUS)), instance,
                                      nullptr);
    state.buttons[0] = createButton("Encrypt", IDC_ENCRYPT_BUTTON, instance);
    state.buttons[1] = createButton("Decrypt", IDC_DECRYPT_BUTTON, instance);
    state.buttons[2] = createButton("Password", IDC_PASSWORD_BUTTON, instance);
    state.history = CreateWindowExA(0, WC_COMBOBOXEXA, "", WS_CHILD | WS_VISIBLE | WS_BORDER | CBS_DROPDOWN, 0, 0,
                                    100, 220, dialog,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_FOLDER_HISTORY)), instance,
                                    nullptr);
    applyDpi();
    // Finds and caches the installed Word version now rather than during the
    // first job.
    OfficeVersion::isOfficeWord12Convertible();
}

// ---- commands -------------------------------------------------------------

// Posts a key to the folder tree or the file list, whichever has the focus.
void postKeyToFocus(WPARAM key) {
    HWND focus = GetFocus();
    if (focus == nullptr) return;
    if (focus == folderTree() || focus == state.list) PostMessageA(focus, WM_KEYDOWN, key, 0);
}

void MainWindow_OnCommand(int id) {
    switch (id) {
        case IDM_FILE_NEW_FOLDER:
            PostMessageA(state.dialog, WM_COMMAND, MAKEWPARAM(kNewFolderButton, 0),
                         reinterpret_cast<LPARAM>(child(kNewFolderButton)));
            break;
        case IDM_FILE_DELETE: postKeyToFocus(VK_DELETE); break;
        case IDM_FILE_CHANGE_NAME: postKeyToFocus(VK_F2); break;
        case IDM_EXIT: PostMessageA(state.dialog, WM_CLOSE, 0, 0); break;
        case IDM_EDIT_COPY: XListView_CopyToClipboard(state.list); break;
        case IDM_EDIT_PASTE: XListView_PastFromClipboard(state.list); break;
        case IDM_EDIT_DELETE: XListView_DeleteSelectedFiles(state.list); break;
        case IDM_EDIT_SELECT_ALL: XListView_SelectAll(state.list); break;
        case IDM_DONT_UPDATE_LASTMODIFIED: toggleDonotUpdateFileTime(state.dialog); break;
        case IDM_BUILT_IN_ENGINE: toggleBuiltInEngine(state.dialog); break;
        case IDM_PDFTK_SETTING: {
            PdfToolkitSettingDialog dialog;
            dialog.prepare(state.list);
            dialog.show();
            break;
        }
        case IDM_PDF_ACCESS_RIGHTS: {
            PdfAccessRightsDialog dialog;
            dialog.prepare(state.list);
            dialog.show();
            break;
        }
        case IDM_SHOW_HELP: MainWindow_ShowHelp(); break;
        case IDM_SHOW_VERSION: {
            VersionDialog dialog;
            dialog.prepare(state.list);
            dialog.show();
            break;
        }
        default: break;
    }
}

void MainWindow_Close() {
    if (state.currentFolder[0] != '\0') {
        TarnwickRegistry settings;
        settings.setInitialFolder(state.currentFolder);
    }
    MainWindow_SaveGeometry();
    PostQuitMessage(0);
}

LRESULT passOn(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(state.previousProcedure, dialog, message, wParam, lParam);
}

// The window moved to a screen of another DPI: the shell's dialog scales
// its own controls, then ours get their font and pictures again, the
// splitter keeps its place in proportion and everything is laid out anew
// in the rectangle the system suggests.
LRESULT onDpiChanged(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = passOn(dialog, WM_DPICHANGED, wParam, lParam);
    const int dpi = static_cast<int>(HIWORD(wParam));
    if (dpi <= 0 || dpi == state.dpi) return result;
    const int previous = state.dpi;
    state.dpi = dpi;
    if (state.splitterPosition > 0) state.splitterPosition = rescaleForDpi(state.splitterPosition, previous, dpi);
    applyDpi();
    if (state.list != nullptr) listRescaleColumns(state.list, previous, dpi);
    applyDpiChange(dialog, wParam, lParam);
    RECT client;
    GetClientRect(dialog, &client);
    MainWindow_Layout(client.right, client.bottom);
    return result;
}

LRESULT onNotify(HWND dialog, WPARAM wParam, LPARAM lParam) {
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header != nullptr && header->hwndFrom == state.list) {
        switch (header->code) {
            // Both forms carry the row and the text pointer at one place.
            case LVN_ENDLABELEDITW:
            case LVN_ENDLABELEDITA: {
                const LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(header)->item;
                return XListView_EndLabelEdit(state.list, item.iItem, item.pszText == nullptr);
            }
            case LVN_BEGINLABELEDITW:
            case LVN_BEGINLABELEDITA:
                XListView_BeginLabelEdit(state.list, reinterpret_cast<NMLVDISPINFOA*>(header)->item.iItem);
                return 0;
            case LVN_BEGINDRAG: XListView_OnBegindrag(state.list); return 1;
            case NM_CUSTOMDRAW: return XListView_OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
            default: break;
        }
    }
    return passOn(dialog, WM_NOTIFY, wParam, lParam);
}

LRESULT onCommand(HWND dialog, WPARAM wParam, LPARAM lParam) {
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (id == IDC_FOLDER_HISTORY && code == CBN_SELCHANGE) {
        goToHistoryFolder();
        return 1;
    }
    // Encrypt, Decrypt and Password, in the order of state.buttons.
    static void (*const kButtonCommands[])(HWND) = {XListView_EncryptSelected, XListView_DecryptSelected,
                                                    XListView_ShowPassword};
    for (int i = 0; i < 3; ++i) {
        if (lParam != 0 && reinterpret_cast<HWND>(lParam) == state.buttons[i]) {
            kButtonCommands[i](state.list);
            return 1;
        }
    }
    if (lParam == 0 && id != 0 && code == 0) {
        MainWindow_OnCommand(id);
        return 1;
    }
    // Enter and Esc would end the dialog, and with it the program.
    if (id == IDOK || id == IDCANCEL) return 0;
    return passOn(dialog, WM_COMMAND, wParam, lParam);
}

LRESULT CALLBACK MainWindow_WndProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
        case WM_LBUTTONDOWN:
            if (wParam == IDC_MAIN_SPLITTER) {
                beginSplitterDrag();
                return 1;
            }
            break;
        case WM_SIZE: MainWindow_Layout(LOWORD(lParam), HIWORD(lParam)); return 1;
        case WM_CLOSE: MainWindow_Close(); return 1;
        case WM_NOTIFY: return onNotify(dialog, wParam, lParam);
        case WM_KEYDOWN: MessageBeep(0); return 1;
        case WM_COMMAND: return onCommand(dialog, wParam, lParam);
        case WM_INITMENU: DrawMenuBar(dialog); return 1;
        case WM_DPICHANGED: return onDpiChanged(dialog, wParam, lParam);
        case WM_MOUSEMOVE: continueSplitterDrag(wParam, lParam); return 1;
        case WM_LBUTTONUP: endSplitterDrag(lParam); return 1;
        default: break;
    }
    return passOn(dialog, message, wParam, lParam);
}

void setQuietErrorMode() { SetErrorMode(state.errorMode | SEM_FAILCRITICALERRORS); }

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data) {
    switch (message) {
        case BFFM_INITIALIZED:
            MainWindow_Setup(dialog);
            if (data != 0) {
                PostMessageA(dialog, BFFM_SETSELECTIONA, FALSE, data);
                MainWindow_OnFolderChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(data));
            }
            break;
        case BFFM_SELCHANGED:
            setQuietErrorMode();
            MainWindow_OnFolderChanged(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter));
            break;
        default: break;
    }
    return 0;
}

PIDLIST_ABSOLUTE initialFolder() {
    TarnwickRegistry settings;
    String saved;
    if (!settings.getInitialFolder(saved)) return nullptr;
    logDebug("Tarnwick_Run,2,InitialFolder %s", saved.getContents());
    // The drive decides, also for a folder below its root.
    char root[MAX_PATH + 2] = {};
    lstrcpynA(root, saved.getContents(), MAX_PATH);
    PathStripToRootA(root);
    PathAddBackslashA(root);
    const UINT driveType = GetDriveTypeA(root);
    if (driveType == DRIVE_REMOVABLE || driveType == DRIVE_CDROM) {
        PIDLIST_ABSOLUTE documents = nullptr;
        if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_PERSONAL, &documents))) return nullptr;
        return documents;
    }
    return parseFolder(saved.getContents());
}

}  // namespace

int Tarnwick_Run() {
    logDebug("Tarnwick_Run,1,Start");
    // Quiet before the stored folder is looked at: an empty drive in it
    // must raise no system message box.
    state.errorMode = SetErrorMode(0);
    setQuietErrorMode();
    state.initialFolder = initialFolder();

    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = nullptr;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = "";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(state.initialFolder);

    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (chosen != nullptr) CoTaskMemFree(chosen);
    if (state.initialFolder != nullptr) CoTaskMemFree(state.initialFolder);
    if (state.postedFolder != nullptr) CoTaskMemFree(state.postedFolder);
    state.initialFolder = nullptr;
    state.postedFolder = nullptr;
    SetErrorMode(state.errorMode);
    state.messageFont.reset();
    for (unique_hicon& icon : state.buttonIcons) icon.reset();
    state.smallIcon.reset();
    logDebug("Tarnwick_Run,4,End");
    return 0;
}
