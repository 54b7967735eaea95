#include "MainWindow.h"

#include <windows.h>
#include <shlobj.h>

namespace {

const char kTitle[] = "Tarnwick";

int CALLBACK browseCallback(HWND dialog, UINT message, LPARAM, LPARAM) {
    if (message == BFFM_INITIALIZED) SetWindowTextA(dialog, kTitle);
    return 0;
}

}  // namespace

int Tarnwick_Run() {
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.pszDisplayName = displayName;
    info.lpszTitle = kTitle;
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    info.lpfn = browseCallback;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    LPITEMIDLIST chosen = SHBrowseForFolderA(&info);
    if (chosen != nullptr) CoTaskMemFree(chosen);
    SetErrorMode(oldMode);
    return 0;
}
