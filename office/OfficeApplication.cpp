#include "OfficeApplication.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <vector>

#include "foundation/ComError.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "office/OfficeRules.h"
#include "office/OfficeVersion.h"
#include "resources/MainWindowHandle.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/ProcessWindows.h"

using Microsoft::WRL::ComPtr;

namespace {

// Starts the server the ProgID names, in any context, runs it and asks it
// for its automation interface.
HRESULT createServer(const wchar_t* progId, LCID locale, DispatchObject& application) {
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> unknown;
    hr = CoCreateInstance(clsid, nullptr,
                          CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                          IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    if (FAILED(hr)) return hr;
    hr = OleRun(unknown.Get());
    if (FAILED(hr)) return hr;
    ComPtr<IDispatch> dispatch;
    hr = unknown.As(&dispatch);
    if (FAILED(hr)) return hr;
    application = DispatchObject(dispatch, locale);
    return S_OK;
}

}  // namespace

// What differs between Word, PowerPoint and Excel when they start, one row
// each, in the order of App.
struct OfficeApplication::AppRow {
    // A property that silences the application: a boolean or a 4-byte number.
    struct Setting {
        const wchar_t* name;
        bool boolean;
        long value;
    };
    const wchar_t* progId;
    // Word and PowerPoint take no locale in their typed interfaces; Excel's
    // members take one, and this program always gives 0.
    LCID locale;
    const char* name;        // "Failed to create <name>"
    const char* lazyMethod;  // the method a start on first use logs as
    int failedStep;          // the constructor's step when the start fails
    int createdStep;         // the constructor's step when it succeeds
    int lazyCreatedStep;     // ... and the lazy start's
    const char* createdText;
    DispatchObject OfficeApplication::*application;
    int OfficeApplication::*version;
    bool savesWindowState;  // PowerPoint's state is given back when it is only let go
    std::vector<Setting> silencing;
};

const OfficeApplication::AppRow& OfficeApplication::rowOf(App app) {
    static const AppRow rows[] = {
        {L"Word.Application", LOCALE_USER_DEFAULT, "Word", "createWordApplication", 3, 4, 2,
         "OK,created a word object. version=", &OfficeApplication::word, &OfficeApplication::wordVersion, false,
         {{L"ScreenUpdating", true, 0}, {L"DisplayAlerts", false, 0}}},  // wdAlertsNone
        {L"PowerPoint.Application", LOCALE_USER_DEFAULT, "PowerPoint", "createPowerPointApplication", 5, 6, 6,
         "OK,created a powerpoint object.version=", &OfficeApplication::powerPoint,
         &OfficeApplication::powerPointVersion, true, {{L"DisplayAlerts", false, 1}}},  // ppAlertsNone
        // No event handler of the workbook (Workbook_Open and the like) runs
        // while the job opens and saves it.
        {L"Excel.Application", 0, "Excel", "createExcelApplication", 7, 8, 2, "OK,created an excel object. version=",
         &OfficeApplication::excel, &OfficeApplication::excelVersion, false,
         {{L"Visible", true, 0},
          {L"DisplayAlerts", true, 0},
          {L"EnableEvents", true, 0},
          {L"Interactive", true, 0},
          {L"ScreenUpdating", true, 0}}},
    };
    return rows[static_cast<int>(app)];
}

OfficeApplication::OfficeApplication(int doc, int ppt, int xls) : apartment(ComApartment::Kind::Ole) {
    officeWord12Compatible = OfficeVersion::isOfficeWord12Convertible();
    logDebug("OfficeApplication#OfficeApplication,1,Start,OleInitialize,officeWord12Compatible=%d ----------------",
             officeWord12Compatible ? 1 : 0);
    missing = DispatchValue::omitted();
    if (!apartment.isInitialised()) {
        throw Exception::formatted(10, "OfficeApplication#OfficeApplication,2,OleInitialize hr=%x",
                                   static_cast<unsigned>(apartment.result()));
    }
    logDebug("OfficeApplication#OfficeApplication,2,doc=%d ppt=%d xls=%d", doc, ppt, xls);
    macroSecurityLevel = TarnwickRegistry().getMacroSecurityLevel();
    // A constructor that throws gets no destructor: end what was started
    // here before passing the error on, so that no application outlives it
    // (the apartment, a member, is left after them).
    try {
        try {
            if (doc > 0) startApplication(App::Word, false);
            if (ppt > 0) startApplication(App::PowerPoint, false);
            if (xls > 0) startApplication(App::Excel, false);
        } catch (const ComError& e) {
            logError("OfficeApplication#OfficeApplication,9,Exception:%s", e.getErrorMessage());
            throw;
        }
    } catch (...) {
        quitApplications();
        word.reset();
        powerPoint.reset();
        excel.reset();
        throw;
    }
    HMODULE user32 = User32_GetModule();
    setLayeredWindowAttributes =
        user32 != nullptr ? reinterpret_cast<SetLayeredWindowAttributesFunction>(
                                reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")))
                          : nullptr;
    logDebug("OfficeApplication#OfficeApplication,10,End");
}

// Structured storage on the job's thread, as the applications' session has it.
OfficeApplication::OfficeApplication(BuiltIn) : apartment(ComApartment::Kind::Ole), builtIn(true) {
    logDebug("OfficeApplication#OfficeApplication,1,Start,built-in engine ----------------");
}

void OfficeApplication::startApplication(App app, bool lazily) {
    const AppRow& row = rowOf(app);
    DispatchObject application;
    HRESULT hr = createServer(row.progId, row.locale, application);
    if (FAILED(hr)) reportStartFailure(app, lazily, hr);
    // Held here until silenced: a property refused on the way leaves no
    // half-configured application in the session.
    this->*row.application = application;
    // The constructor ends everything it started itself. A lazy start ends
    // only this application: left in the session half set up, it would
    // serve the job's next documents with its alerts on.
    try {
        silenceApplication(app, lazily);
    } catch (const ComError& e) {
        if (!lazily) throw;
        logError("OfficeApplication#%s,1,Exception:%s", row.lazyMethod, e.getErrorMessage());
        endHalfStarted(app);
        reportStartFailure(app, true, e.getError());
    } catch (...) {
        if (!lazily) throw;
        endHalfStarted(app);
        reportStartFailure(app, true, E_UNEXPECTED);
    }
}

void OfficeApplication::endHalfStarted(App app) {
    try {
        endApplication(app);
    } catch (const ComError& e) {
        logDebug("OfficeApplication#%s,1,_com_error code:%x  Message:%s", rowOf(app).lazyMethod,
                 static_cast<unsigned>(e.getError()), e.getErrorMessage());
    } catch (...) {
    }
    (this->*rowOf(app).application).reset();
    this->*rowOf(app).version = 0;
}

void OfficeApplication::reportStartFailure(App app, bool lazily, HRESULT hr) {
    // A lazy start is step 1 of its own method.
    const AppRow& row = rowOf(app);
    char where[128];
    std::snprintf(where, sizeof where, "OfficeApplication#%s,%d,Failed to create %s",
                  lazily ? row.lazyMethod : "OfficeApplication", lazily ? 1 : row.failedStep, row.name);
    logError("%s hr=%x", where, static_cast<unsigned>(hr));
    throw Exception(where, 201);
}

void OfficeApplication::silenceApplication(App app, bool lazily) {
    const AppRow& row = rowOf(app);
    DispatchObject& application = this->*row.application;
    if (row.savesWindowState) savedPowerPointWindowState = static_cast<int>(application.getLong(L"WindowState"));
    for (const AppRow::Setting& setting : row.silencing) {
        application.putProperty(setting.name, setting.boolean ? DispatchValue::boolean(setting.value != 0)
                                                              : DispatchValue::i4(setting.value));
    }
    int& version = this->*row.version;
    version = OfficeVersion::getWordVersion();
    if (version < 12) application.putProperty(L"AutomationSecurity", DispatchValue::i4(macroSecurityLevel));
    logDebug("OfficeApplication#%s,%d,%s%d", lazily ? row.lazyMethod : "OfficeApplication",
             lazily ? row.lazyCreatedStep : row.createdStep, row.createdText, version);
}

OfficeApplication::~OfficeApplication() {
    logDebug("OfficeApplication#~OfficeApplication,1,Start");
    quitApplications();
    word.reset();
    powerPoint.reset();
    excel.reset();
    logDebug("OfficeApplication#~OfficeApplication,7,CoUninitialize----------------");
    setLayeredWindowAttributes = nullptr;
    MainWindow_Activate();
    logDebug("OfficeApplication#~OfficeApplication,8,End");
    // The apartment is left after this, once the applications are released.
}

void OfficeApplication::quitApplications() {
    try {
        endApplication(App::Word);
        endApplication(App::PowerPoint);
        endApplication(App::Excel);
    } catch (const ComError& e) {
        logDebug("OfficeApplication#~OfficeApplication,5,_com_error code:%x  Message:%s",
                 static_cast<unsigned>(e.getError()), e.getErrorMessage());
    } catch (...) {
        logDebug("OfficeApplication#~OfficeApplication,6,Unknown Exception");
    }
}

void OfficeApplication::endApplication(App app) {
    switch (app) {
        case App::Word:
            if (word) {
                word.call(L"Quit", {missing, missing, missing});
                word.reset();
            }
            break;
        case App::PowerPoint:
            if (powerPoint) {
                DispatchObject presentations = powerPoint.getObject(L"Presentations");
                if (presentations) {
                    HWND hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(powerPoint.getLong(L"HWND")));
                    restoreApplicationWindow(hwnd);
                    if (presentations.getLong(L"Count") != 0) {
                        powerPoint.putProperty(L"WindowState", DispatchValue::i4(savedPowerPointWindowState));
                        powerPoint.reset();
                    } else {
                        powerPoint.call(L"Quit");
                        powerPoint.reset();
                        logDebug("OfficeApplication#~OfficeApplication,3,PowerPoint.Quit()");
                    }
                }
            }
            break;
        case App::Excel:
            if (excel) {
                DispatchObject workbooks = excel.getObject(L"Workbooks");
                if (workbooks && workbooks.getLong(L"Count") == 0) {
                    excel.call(L"Quit");
                    logDebug("OfficeApplication#~OfficeApplication,4,Excel.Quit()");
                }
                excel.reset();
            }
            break;
    }
}

bool OfficeApplication::isOffice12Installed() const {
    return wordVersion == 12 || powerPointVersion == 12 || excelVersion == 12;
}

void OfficeApplication::applyMacroSecurity(const DispatchObject& application, const char* filePath) {
    if (office_rules::isPre2007(filePath)) {
        application.putProperty(L"AutomationSecurity", DispatchValue::i4(macroSecurityLevel));
    }
}

void OfficeApplication::createWordApplication(const char* filePath) { startOnFirstUse(App::Word, filePath); }

void OfficeApplication::createPowerPointApplication(const char* filePath) {
    startOnFirstUse(App::PowerPoint, filePath);
}

void OfficeApplication::createExcelApplication(const char* filePath) { startOnFirstUse(App::Excel, filePath); }

void OfficeApplication::startOnFirstUse(App app, const char* filePath) {
    if (!(this->*rowOf(app).application)) startApplication(app, true);
    applyMacroSecurity(this->*rowOf(app).application, filePath);
}

void OfficeApplication::hideApplicationWindow(HWND hwnd) {
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, GetWindowLongPtrA(hwnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    if (setLayeredWindowAttributes != nullptr) setLayeredWindowAttributes(hwnd, 0, 0, LWA_COLORKEY | LWA_ALPHA);
    ShowWindow(hwnd, SW_FORCEMINIMIZE);
    ShowWindow(hwnd, SW_SHOWMINIMIZED);
}

void OfficeApplication::restoreApplicationWindow(HWND hwnd) {
    SetWindowLongPtrA(hwnd, GWL_EXSTYLE, GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & ~static_cast<LONG_PTR>(WS_EX_LAYERED));
    if (setLayeredWindowAttributes != nullptr) setLayeredWindowAttributes(hwnd, 0, 0, 0);
}

bool OfficeApplication::removeTaskbarButton(HWND hwnd) {
    ComPtr<ITaskbarList> taskbar;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList,
                                reinterpret_cast<void**>(taskbar.GetAddressOf())))) {
        return false;
    }
    if (FAILED(taskbar->HrInit())) return false;
    return SUCCEEDED(taskbar->DeleteTab(hwnd));
}

bool OfficeApplication::newGuidText(String& text) { return Guid().toString(text); }

std::string OfficeApplication::appendedTemporaryFor(const char* filePath) {
    String guid;
    if (!newGuidText(guid) || guid.getContents() == nullptr) return std::string();
    return office_rules::appendedTemporaryPath(filePath, guid.getContents());
}
