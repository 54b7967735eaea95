// PowerPoint: conceal the window, open, set or clear the password, save over
// the document or else under a temporary name that then replaces it.

#include <memory>
#include <string>

#include "foundation/ComError.h"
#include "foundation/Log.h"
#include "office/EngineStep.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"
#include "office/PowerPointPasswordValidator.h"

using namespace office_codes;

namespace {

constexpr long kSaveAsDefault = 11;  // ppSaveAsDefault
constexpr long kMsoTrue = -1;        // embed the fonts

// Stops the validator and waits for its thread on every way out of the
// engine, so that no validator is left running into the next document.
struct ValidatorGuard {
    std::unique_ptr<PowerPointPasswordValidator> validator;
    void finish() {
        if (!validator) return;
        validator->stop();
        // stop() wakes it at once. The bound covers only a PowerPoint that
        // hangs while the validator types into its prompt; the validator
        // then deletes itself when it gets free.
        if (validator->waitForEnd(30000)) {
            validator.reset();
        } else {
            logError("OfficeApplication#unprotectPowerPoint,26,Validator did not end");
            validator.release()->abandon();
        }
    }
    ~ValidatorGuard() { finish(); }
};

}  // namespace

int OfficeApplication::protectPowerPoint(const char* filePath, const char* password) {
    return powerPointEngine(filePath, password, true);
}

int OfficeApplication::unprotectPowerPoint(const char* filePath, const char* password) {
    return powerPointEngine(filePath, password, false);
}

namespace {

// Open without a window; unprotecting, with the validator answering the
// password prompt while Open waits on it.
DispatchObject openPresentation(const DispatchObject& presentations, const DispatchValue& path, const char* password,
                                bool encrypt, ValidatorGuard& validator) {
    if (!encrypt) {
        validator.validator = std::make_unique<PowerPointPasswordValidator>(password);
        validator.validator->start();
    }
    DispatchObject presentation = presentations.callObject(
        L"Open", {path, DispatchValue::i4(0), DispatchValue::i4(0), DispatchValue::i4(encrypt ? 0 : -1)});
    validator.finish();
    return presentation;
}

// Close, whatever the saves did, and let the presentation go.
void closePresentation(DispatchObject& presentation, const DispatchObject& presentations, const char* method) {
    if (presentation.call(L"Close") != S_OK) {
        logError("OfficeApplication#%s,21,Failed to close currentPresentation", method);
    } else {
        logDebug("OfficeApplication#%s,20,OK, closed currentPresentation", method);
    }
    presentation.reset();
    logDebug("OfficeApplication#%s,21-2,Count %d ", method, static_cast<int>(presentations.getLong(L"Count")));
}

// The password set, or both cleared, then SaveAs over the document itself.
int saveOver(const DispatchObject& presentation, const DispatchValue& path, const char* password, bool encrypt,
             const char* method, bool& passwordSet) {
    logDebug("OfficeApplication#%s,6,Saving", method);
    if (encrypt) {
        presentation.putProperty(L"Password", DispatchValue::text(password));
    } else {
        presentation.putProperty(L"Password", DispatchValue::text(""));
        presentation.putProperty(L"WritePassword", DispatchValue::text(""));
    }
    passwordSet = true;
    if (presentation.call(L"SaveAs", {path, DispatchValue::i4(kSaveAsDefault), DispatchValue::i4(kMsoTrue)}) != S_OK) {
        logError("OfficeApplication#%s,8,Save: Error", method);
        return kPowerPointSaveFailed;
    }
    logDebug("OfficeApplication#%s,7,Save: OK", method);
    return kSuccess;
}

// The fallback: SaveAs under the temporary name, which then replaces the document.
int saveUnderTemporaryName(const DispatchObject& presentation, const std::string& temporary, const char* method,
                           bool& savedUnderTemporaryName) {
    logDebug("OfficeApplication#%s,11,SaveAs", method);
    if (presentation.call(L"SaveAs", {DispatchValue::text(temporary.c_str()), DispatchValue::i4(kSaveAsDefault),
                                      DispatchValue::i4(kMsoTrue)}) != S_OK) {
        logError("OfficeApplication#%s,13,SaveAs: Error", method);
        return kPowerPointSaveFailed;
    }
    savedUnderTemporaryName = true;
    logDebug("OfficeApplication#%s,12,SaveAs: OK", method);
    return kSuccess;
}

}  // namespace

// Minimised, visible to its own object model, invisible on screen and off
// the taskbar: PowerPoint opens nothing while it is hidden.
void OfficeApplication::concealPowerPoint() {
    HWND hwnd = reinterpret_cast<HWND>(static_cast<LONG_PTR>(powerPoint.getLong(L"HWND")));
    if (hwnd != nullptr) hideApplicationWindow(hwnd);
    powerPoint.putProperty(L"WindowState", DispatchValue::i4(2));  // ppWindowMinimized
    powerPoint.putProperty(L"Visible", DispatchValue::i4(-1));     // msoTrue
    if (hwnd != nullptr) removeTaskbarButton(hwnd);
}

int OfficeApplication::powerPointEngine(const char* filePath, const char* password, bool encrypt) {
    const char* method = encrypt ? "protectPowerPoint" : "unprotectPowerPoint";
    logDebug("OfficeApplication#%s,1,Start %s", method, filePath);
    int result = kEngineNotRun;
    bool savedUnderTemporaryName = false;
    bool passwordSet = false;
    const std::string temporary = appendedTemporaryFor(filePath);
    ValidatorGuard validator;
    const engine_step::Failure unexpected{method, kUnexpectedComError,
                                          "OfficeApplication#%s,22,Exception,No=%x Message=%s"};
    result = engine_step::run(unexpected, [&] {
        if (temporary.empty()) throw ComError(E_FAIL, "No GUID for the temporary name");
        createPowerPointApplication(filePath);
        concealPowerPoint();
        DispatchObject presentations = powerPoint.getObject(L"Presentations");
        logDebug("OfficeApplication#%s,2,Call Presentations->Open %s", method, filePath);
        DispatchValue path = DispatchValue::text(filePath);
        DispatchObject presentation = openPresentation(presentations, path, password, encrypt, validator);
        if (!presentation) {
            logError("OfficeApplication#%s,3,Failed to open a powerpoint file. hr=%x", method, 0u);
            return kPowerPointOpenFailed;
        }
        logDebug("OfficeApplication#%s,4,Opened a powerpoint file. %s", method, filePath);
        result = engine_step::run(
            {method, kPowerPointSaveFailed, "OfficeApplication#%s,9,Save: Exception No%x Message=%s",
             "OfficeApplication#%s,10,Save: Unknown Exception"},
            [&] { return saveOver(presentation, path, password, encrypt, method, passwordSet); });
        // The fallback saves what the first save could not; without the
        // password set (or, unprotecting, cleared) it would write the wrong
        // document and report success.
        if (result != kSuccess && passwordSet) {
            result = engine_step::run(
                {method, kPowerPointSaveFailed, "OfficeApplication#%s,14,SaveAs: Exception No=%x Message=%s",
                 "OfficeApplication#%s,15,SaveAs: Unknown Exception"},
                [&] { return saveUnderTemporaryName(presentation, temporary, method, savedUnderTemporaryName); });
        }
        closePresentation(presentation, presentations, method);
        return result;
    });
    validator.finish();
    if (savedUnderTemporaryName) {
        const int placed = placeSavedFile(method, filePath, temporary, 23, kPowerPointDocumentNotDeleted,
                                          kPowerPointTemporaryNotMoved);
        if (placed != kSuccess) result = placed;
    }
    discardUnusedTemporary(result, temporary);
    return result;
}
