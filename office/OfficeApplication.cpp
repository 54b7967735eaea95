#include "OfficeApplication.h"

#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>

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

// Word and PowerPoint take no locale in their typed interfaces; Excel's
// members take one, and this program always gives 0.
constexpr LCID kWordLocale = LOCALE_USER_DEFAULT;
constexpr LCID kPowerPointLocale = LOCALE_USER_DEFAULT;
constexpr LCID kExcelLocale = 0;

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

OfficeApplication::OfficeApplication(int doc, int ppt, int xls) {
    officeWord12Compatible = OfficeVersion::isOfficeWord12Convertible();
    logDebug("OfficeApplication#OfficeApplication,1,Start,OleInitialize,officeWord12Compatible=%d ----------------",
             officeWord12Compatible ? 1 : 0);
    missing = DispatchValue::omitted();
    HRESULT hr = OleInitialize(nullptr);
    if (FAILED(hr)) {
        throw Exception::formatted(10, "OfficeApplication#OfficeApplication,2,OleInitialize hr=%x",
                                   static_cast<unsigned>(hr));
    }
    logDebug("OfficeApplication#OfficeApplication,2,doc=%d ppt=%d xls=%d", doc, ppt, xls);
    oleInitialized = true;
    macroSecurityLevel = TarnwickRegistry().getMacroSecurityLevel();
    // A constructor that throws gets no destructor: end what was started
    // here before passing the error on, so that no application outlives it.
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
        OleUninitialize();
        oleInitialized = false;
        throw;
    }
    HMODULE user32 = User32_GetModule();
    setLayeredWindowAttributes =
        user32 != nullptr ? reinterpret_cast<SetLayeredWindowAttributesFunction>(
                                reinterpret_cast<void*>(GetProcAddress(user32, "SetLayeredWindowAttributes")))
                          : nullptr;
    logDebug("OfficeApplication#OfficeApplication,10,End");
}

OfficeApplication::OfficeApplication(BuiltIn) : builtIn(true) {
    logDebug("OfficeApplication#OfficeApplication,1,Start,built-in engine ----------------");
    // Structured storage on the job's thread, as the applications' session has it.
    oleInitialized = SUCCEEDED(OleInitialize(nullptr));
}

void OfficeApplication::startApplication(App app, bool lazily) {
    DispatchObject* target = app == App::Word ? &word : app == App::PowerPoint ? &powerPoint : &excel;
    const wchar_t* progId = app == App::Word         ? L"Word.Application"
                            : app == App::PowerPoint ? L"PowerPoint.Application"
                                                     : L"Excel.Application";
    LCID locale = app == App::Word ? kWordLocale : app == App::PowerPoint ? kPowerPointLocale : kExcelLocale;
    DispatchObject application;
    HRESULT hr = createServer(progId, locale, application);
    if (FAILED(hr)) reportStartFailure(app, lazily, hr);
    // Held here until silenced: a property refused on the way leaves no
    // half-configured application in the session.
    *target = application;
    // The constructor ends everything it started itself. A lazy start ends
    // only this application: left in the session half set up, it would
    // serve the job's next documents with its alerts on.
    try {
        silenceApplication(app, lazily);
    } catch (const ComError& e) {
        if (!lazily) throw;
        logError("OfficeApplication#%s,1,Exception:%s", lazyStartMethod(app), e.getErrorMessage());
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
        logDebug("OfficeApplication#%s,1,_com_error code:%x  Message:%s", lazyStartMethod(app),
                 static_cast<unsigned>(e.getError()), e.getErrorMessage());
    } catch (...) {
    }
    (app == App::Word ? word : app == App::PowerPoint ? powerPoint : excel).reset();
    (app == App::Word ? wordVersion : app == App::PowerPoint ? powerPointVersion : excelVersion) = 0;
}

const char* OfficeApplication::lazyStartMethod(App app) {
    return app == App::Word ? "createWordApplication" : app == App::PowerPoint ? "createPowerPointApplication"
                                                                                : "createExcelApplication";
}

void OfficeApplication::reportStartFailure(App app, bool lazily, HRESULT hr) {
    // The constructor's steps are 3, 5 and 7; a lazy start is step 1 of its own method.
    const char* name = app == App::Word ? "Word" : app == App::PowerPoint ? "PowerPoint" : "Excel";
    const int step = app == App::Word ? 3 : app == App::PowerPoint ? 5 : 7;
    char where[128];
    if (lazily) {
        std::snprintf(where, sizeof where, "OfficeApplication#%s,1,Failed to create %s", lazyStartMethod(app), name);
    } else {
        std::snprintf(where, sizeof where, "OfficeApplication#OfficeApplication,%d,Failed to create %s", step, name);
    }
    logError("%s hr=%x", where, static_cast<unsigned>(hr));
    throw Exception(where, 201);
}

void OfficeApplication::silenceApplication(App app, bool lazily) {
    switch (app) {
        case App::Word:
            word.putProperty(L"ScreenUpdating", DispatchValue::boolean(false));
            word.putProperty(L"DisplayAlerts", DispatchValue::i4(0));  // wdAlertsNone
            wordVersion = OfficeVersion::getWordVersion();
            if (wordVersion < 12) word.putProperty(L"AutomationSecurity", DispatchValue::i4(macroSecurityLevel));
            if (lazily) {
                logDebug("OfficeApplication#createWordApplication,2,OK,created a word object. version=%d", wordVersion);
            } else {
                logDebug("OfficeApplication#OfficeApplication,4,OK,created a word object. version=%d", wordVersion);
            }
            break;
        case App::PowerPoint:
            savedPowerPointWindowState = static_cast<int>(powerPoint.getLong(L"WindowState"));
            powerPoint.putProperty(L"DisplayAlerts", DispatchValue::i4(1));  // ppAlertsNone
            powerPointVersion = OfficeVersion::getWordVersion();
            if (powerPointVersion < 12) {
                powerPoint.putProperty(L"AutomationSecurity", DispatchValue::i4(macroSecurityLevel));
            }
            if (lazily) {
                logDebug("OfficeApplication#createPowerPointApplication,6,OK,created a powerpoint object.version=%d",
                         powerPointVersion);
            } else {
                logDebug("OfficeApplication#OfficeApplication,6,OK,created a powerpoint object.version=%d",
                         powerPointVersion);
            }
            break;
        case App::Excel:
            excel.putProperty(L"Visible", DispatchValue::boolean(false));
            excel.putProperty(L"DisplayAlerts", DispatchValue::boolean(false));
            // No event handler of the workbook (Workbook_Open and the like)
            // runs while the job opens and saves it.
            excel.putProperty(L"EnableEvents", DispatchValue::boolean(false));
            excel.putProperty(L"Interactive", DispatchValue::boolean(false));
            excel.putProperty(L"ScreenUpdating", DispatchValue::boolean(false));
            excelVersion = OfficeVersion::getWordVersion();
            if (excelVersion < 12) excel.putProperty(L"AutomationSecurity", DispatchValue::i4(macroSecurityLevel));
            if (lazily) {
                logDebug("OfficeApplication#createExcelApplication,2,OK,created an excel object. version=%d",
                         excelVersion);
            } else {
                logDebug("OfficeApplication#OfficeApplication,8,OK,created an excel object. version=%d", excelVersion);
            }
            break;
    }
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
    if (oleInitialized) OleUninitialize();
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

void OfficeApplication::createWordApplication(const char* filePath) {
    if (!word) startApplication(App::Word, true);
    applyMacroSecurity(word, filePath);
}

void OfficeApplication::createPowerPointApplication(const char* filePath) {
    if (!powerPoint) startApplication(App::PowerPoint, true);
    applyMacroSecurity(powerPoint, filePath);
}

void OfficeApplication::createExcelApplication(const char* filePath) {
    if (!excel) startApplication(App::Excel, true);
    applyMacroSecurity(excel, filePath);
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
