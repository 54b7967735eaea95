// The Office automation stand-in's program. Command lines:
//   office-standin.exe word|excel|powerpoint [-Embedding]   serve one application (COM starts it so)
//   office-standin.exe /RegServer | /UnregServer             register the three classes
//   office-standin.exe /SetVersion 12|11|11+converters|14|none [64]
//                                                            write the installed-version keys (in the
//                                                            32-bit view, or with 64 in the 64-bit one)
//   office-standin.exe /ShowWindow word|excel|powerpoint|CLASS [TITLE]
//                                                            show a visible frame window until it is closed

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

#include <cstring>
#include <string>

#include "Applications.h"
#include "doccrypt/Formats.h"
#include "Windows.h"

using namespace office_standin;

namespace {

struct ClassEntry {
    AppKind kind;
    const wchar_t* argument;
    const wchar_t* progId;
    const wchar_t* clsid;
};

const ClassEntry kClasses[] = {
    {AppKind::Word, L"word", L"Word.Application", L"{BCB10A5D-5832-47D1-999C-05592F97D36D}"},
    {AppKind::Excel, L"excel", L"Excel.Application", L"{6BC0C7A7-F9FF-40EF-AC8F-8A68836E389B}"},
    {AppKind::PowerPoint, L"powerpoint", L"PowerPoint.Application", L"{E90B83D8-6E93-4709-A87B-07F1683BB594}"},
};

class ClassFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        try {
            IDispatch* app = createApplication();
            if (!app) return CO_E_SERVER_STOPPING;
            HRESULT hr = app->QueryInterface(riid, out);
            app->Release();
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            CoAddRefServerProcess();
        } else if (CoReleaseServerProcess() == 0) {
            PostQuitMessage(0);
        }
        return S_OK;
    }
};

LONG setString(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value, REGSAM view = 0) {
    HKEY h;
    LONG rc = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                        DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc;
}

int registerServer(bool add) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    for (const ClassEntry& c : kClasses) {
        std::wstring clsidKey = std::wstring(L"CLSID\\") + c.clsid;
        RegDeleteTreeW(HKEY_CLASSES_ROOT, clsidKey.c_str());
        RegDeleteTreeW(HKEY_CLASSES_ROOT, c.progId);
        if (!add) continue;
        LONG rc = setString(HKEY_CLASSES_ROOT, clsidKey, nullptr, std::wstring(c.progId) + L" (stand-in)");
        rc |= setString(HKEY_CLASSES_ROOT, clsidKey + L"\\LocalServer32", nullptr,
                        L"\"" + std::wstring(exe) + L"\" " + c.argument);
        rc |= setString(HKEY_CLASSES_ROOT, clsidKey + L"\\ProgID", nullptr, c.progId);
        rc |= setString(HKEY_CLASSES_ROOT, c.progId, nullptr, std::wstring(c.progId) + L" (stand-in)");
        rc |= setString(HKEY_CLASSES_ROOT, std::wstring(c.progId) + L"\\CLSID", nullptr, c.clsid);
        if (rc != ERROR_SUCCESS) return 2;
    }
    return 0;
}

// Deletes a key below HKLM with everything in it, in one view.
void deleteMachineTree(const std::wstring& key, REGSAM view) {
    std::wstring::size_type slash = key.rfind(L'\\');
    HKEY parent;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.substr(0, slash).c_str(), 0, KEY_ALL_ACCESS | view, &parent) !=
        ERROR_SUCCESS)
        return;
    RegDeleteTreeW(parent, key.substr(slash + 1).c_str());
    RegCloseKey(parent);
}

// The keys the product's version probe reads: Word's install root under
// HKLM and its user key under HKCU, per major version; for version 11 also
// the Word 12 file converters. The HKLM keys go where Office writes them:
// a 32-bit Office (every Office 2007, most later ones) in the 32-bit view,
// a 64-bit Office (view "64") in the 64-bit view. Whatever an earlier call
// wrote is first removed from both views.
int setVersion(const std::wstring& choice, const std::wstring& viewName) {
    if (!viewName.empty() && viewName != L"32" && viewName != L"64") return 1;
    const REGSAM view = viewName == L"64" ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const wchar_t* const export12 = L"Software\\Microsoft\\Shared Tools\\Text Converters\\Export\\Word12";
    const wchar_t* const import12 = L"Software\\Microsoft\\Shared Tools\\Text Converters\\Import\\Word12";
    for (REGSAM each : {REGSAM(KEY_WOW64_32KEY), REGSAM(KEY_WOW64_64KEY)}) {
        for (int n = 8; n <= 30; ++n) {
            deleteMachineTree(L"Software\\Microsoft\\Office\\" + std::to_wstring(n) + L".0\\Word", each);
        }
        deleteMachineTree(export12, each);
        deleteMachineTree(import12, each);
    }
    for (int n = 8; n <= 30; ++n) {
        RegDeleteTreeW(HKEY_CURRENT_USER, (L"Software\\Microsoft\\Office\\" + std::to_wstring(n) + L".0\\Word").c_str());
    }
    if (choice == L"none") return 0;
    std::wstring number = choice.substr(0, choice.find(L'+'));
    int version = _wtoi(number.c_str());
    if (version < 8 || version > 30) return 1;
    std::wstring base = L"Software\\Microsoft\\Office\\" + std::to_wstring(version) + L".0\\Word";
    std::wstring root = L"C:\\Program Files\\Microsoft Office\\Office" + std::to_wstring(version) + L"\\";
    LONG rc = setString(HKEY_LOCAL_MACHINE, base + L"\\InstallRoot", L"Path", root, view);
    rc |= setString(HKEY_CURRENT_USER, base, L"WordName", L"WINWORD.EXE");
    std::wstring converters = choice.size() > number.size() ? choice.substr(number.size() + 1) : L"";
    const std::wstring cnv = L"C:\\Program Files\\Microsoft Office\\Office12\\wordcnvpxy.cnv";
    if (converters == L"converters" || converters == L"export")
        rc |= setString(HKEY_LOCAL_MACHINE, export12, L"Path", cnv, view);
    if (converters == L"converters" || converters == L"import")
        rc |= setString(HKEY_LOCAL_MACHINE, import12, L"Path", cnv, view);
    return rc == ERROR_SUCCESS ? 0 : 2;
}

// How long a quit application waits for its clients to let go of its
// objects before it ends anyway (a client that died never does).
constexpr DWORD kQuitGraceMs = 5000;
// How long after Quit the process may take in all before it is ended
// outright: covers a modal loop that swallowed the quit message and a
// teardown that hangs.
constexpr DWORD kQuitDeadlineMs = 15000;

DWORD WINAPI quitWatchdog(void*) {
    Sleep(kQuitDeadlineMs);
    ExitProcess(0);
}

void startQuitWatchdog() {
    static bool started = false;
    if (started) return;
    started = true;
    HANDLE thread = CreateThread(nullptr, 0, quitWatchdog, nullptr, 0, nullptr);
    if (thread) CloseHandle(thread);
}

// Serves calls until the application is done. Quit must be answered before
// the process ends: the reply goes out on COM's own thread after the call
// returns, so ending at once can cut it off (the client then sees
// RPC_S_CALL_FAILED). After Quit the class object is revoked (new clients get
// a new process) and the loop goes on until every object has been released
// (the client has its answer and let go: CoReleaseServerProcess posts
// WM_QUIT) or the grace period is over.
void runUntilQuit(DWORD cookie) {
    bool quitting = false;
    bool revoked = false;
    DWORD quitAt = 0;
    for (;;) {
        MSG msg;
        bool leave = false;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                leave = true;
                break;
            }
            if (msg.hwnd == nullptr && msg.message == WM_APP_QUIT) continue;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (!quitting && applicationHasQuit()) {
            quitting = true;
            quitAt = GetTickCount();
            startQuitWatchdog();
            CoRevokeClassObject(cookie);
            revoked = true;
        }
        if (leave) break;
        DWORD wait = INFINITE;
        if (quitting) {
            DWORD spent = GetTickCount() - quitAt;
            if (spent >= kQuitGraceMs) break;
            wait = kQuitGraceMs - spent;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
    if (!revoked) CoRevokeClassObject(cookie);
    startQuitWatchdog();
}

int serve(const ClassEntry& entry) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 3;
    HWND frame = createFrame(entry.kind);
    initApplication(entry.kind, frame);
    CLSID clsid;
    CLSIDFromString(const_cast<wchar_t*>(entry.clsid), &clsid);
    static ClassFactory factory;
    DWORD cookie = 0;
    // Word and Excel start a new process for every application created;
    // PowerPoint serves every client from one.
    DWORD use = entry.kind == AppKind::PowerPoint ? REGCLS_MULTIPLEUSE : REGCLS_SINGLEUSE;
    HRESULT hr = CoRegisterClassObject(clsid, &factory, CLSCTX_LOCAL_SERVER, use, &cookie);
    int rc = 0;
    if (FAILED(hr)) {
        rc = 4;
    } else {
        runUntilQuit(cookie);
    }
    CoUninitialize();
    return rc;
}

// The window an open document of an application shows: its frame class
// (an application's name stands for its frame class, anything else is the
// class itself) and a title, by default that of a new document.
int showDocumentWindow(const std::wstring& kind, const wchar_t* title) {
    struct Frame {
        const wchar_t* name;
        const wchar_t* className;
        const wchar_t* title;
    };
    static const Frame kFrames[] = {
        {L"word", L"OpusApp", L"Document1 - Word stand-in"},
        {L"excel", L"XLMAIN", L"Book1 - Excel stand-in"},
        {L"powerpoint", L"PP12FrameClass", L"Presentation1 - PowerPoint stand-in"},
    };
    std::wstring className = kind;
    std::wstring shownTitle = kind + L" - Office stand-in";
    for (const Frame& frame : kFrames) {
        if (_wcsicmp(kind.c_str(), frame.name) == 0) {
            className = frame.className;
            shownTitle = frame.title;
        }
    }
    if (title != nullptr) shownTitle = title;
    return showWindowUntilClosed(className, shownTitle);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 1;
    int rc = 1;
    std::wstring first = argc > 1 ? argv[1] : L"";
    if (_wcsicmp(first.c_str(), L"/RegServer") == 0 || _wcsicmp(first.c_str(), L"-RegServer") == 0) {
        rc = registerServer(true);
    } else if (_wcsicmp(first.c_str(), L"/UnregServer") == 0 || _wcsicmp(first.c_str(), L"-UnregServer") == 0) {
        rc = registerServer(false);
    } else if (_wcsicmp(first.c_str(), L"/SetVersion") == 0 && argc > 2) {
        rc = setVersion(argv[2], argc > 3 ? argv[3] : L"");
    } else if (_wcsicmp(first.c_str(), L"/ShowWindow") == 0 && argc > 2) {
        rc = showDocumentWindow(argv[2], argc > 3 ? argv[3] : nullptr);
    } else {
        for (const ClassEntry& c : kClasses)
            if (_wcsicmp(first.c_str(), c.argument) == 0) rc = serve(c);
    }
    LocalFree(argv);
    return rc;
}
