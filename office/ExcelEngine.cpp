// Excel: open, save to a temporary name beside the workbook with or without
// the password, close, then put the saved file in the workbook's place.

#include <string>

#include "foundation/ComError.h"
#include "foundation/Log.h"
#include "office/EngineStep.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"

using namespace office_codes;

int OfficeApplication::protectExcel(const char* filePath, const char* password) {
    return excelEngine(filePath, password, true);
}

int OfficeApplication::unprotectExcel(const char* filePath, const char* password) {
    return excelEngine(filePath, password, false);
}

namespace {

// SaveAs under the temporary name in the format the workbook's own format
// maps to, with the password or with none, opened exclusively.
int saveWorkbook(const DispatchObject& workbook, const std::string& temporary, const char* password, bool encrypt,
                 const char* method, const DispatchValue& m, bool& saved) {
    logDebug("OfficeApplication#%s,7,Saving", method);
    int format = static_cast<int>(workbook.getLong(L"FileFormat"));
    logDebug("OfficeApplication#%s,8,format=%d", method, format);
    DispatchValue saveFormat = DispatchValue::integer(office_rules::excelSaveFormat(format));
    logDebug("OfficeApplication#%s,9,SaveAs %s", method, temporary.c_str());
    DispatchValue no = DispatchValue::boolean(false);
    HRESULT hr = workbook.call(L"SaveAs", {DispatchValue::text(temporary.c_str()), saveFormat,
                                           DispatchValue::text(encrypt ? password : ""), DispatchValue::text(""), no,
                                           no, DispatchValue::i4(3),  // xlExclusive
                                           m, m, m, m, m});
    // Whatever it answered, SaveAs may have written the file: it is put in
    // place, and the flow restores the backup after a failure.
    saved = true;
    if (hr != S_OK) {
        logError("OfficeApplication#%s,12,Save: Failed", method);
        return kExcelSaveFailed;
    }
    logDebug("OfficeApplication#%s,11,Save: OK", method);
    return kSuccess;
}

// Close, whatever the save did; a failure is only logged.
void closeWorkbook(const DispatchObject& workbook, const char* method, const DispatchValue& m) {
    if (workbook.call(L"Close", {m, m, m}) != S_OK) {
        logError("OfficeApplication#%s,20,Failed to close currentWorkBook", method);
    } else {
        logDebug("OfficeApplication#%s,19,OK, closed currentWorkBook", method);
    }
}

}  // namespace

int OfficeApplication::excelEngine(const char* filePath, const char* password, bool encrypt) {
    const char* method = encrypt ? "protectExcel" : "unprotectExcel";
    logDebug("OfficeApplication#%s,1,Start %s", method, filePath);
    int result = kEngineNotRun;
    bool saved = false;
    const std::string temporary = appendedTemporaryFor(filePath);
    try {
        const engine_step::Failure unexpected{method, kUnexpectedComError,
                                              "OfficeApplication#%s,21,Exception No=%x Message=%s"};
        result = engine_step::run(unexpected, [&] {
            if (temporary.empty()) throw ComError(E_FAIL, "No GUID for the temporary name");
            createExcelApplication(filePath);
            excel.putProperty(L"Visible", DispatchValue::boolean(false));
            DispatchObject workbooks = excel.getObject(L"Workbooks");
            logDebug("OfficeApplication#%s,2,Call WorkBooks Open %s", method, filePath);
            const DispatchValue& m = missing;
            DispatchValue path = DispatchValue::text(filePath);
            DispatchValue openPassword = encrypt ? m : DispatchValue::text(password);
            DispatchObject workbook =
                workbooks.callObject(L"Open", {path, m, m, m, openPassword, m, m, m, m, m, m, m, m, m, m});
            if (!workbook) {
                logError("OfficeApplication#%s,3,Failed to open an excel file.", method);
                return kExcelOpenFailed;
            }
            if (workbook.getLong(L"ReadOnlyRecommended") == VARIANT_TRUE) {
                result = kExcelReadOnlyRecommended;
                workbook.call(L"Close", {m, m, m});
                logError("OfficeApplication#%s,4,Failed to open an excel file.", method);
                return kExcelReadOnlyRecommended;
            }
            logDebug("OfficeApplication#%s,5,Opened a file %s", method, filePath);
            result = engine_step::run(
                {method, kExcelSaveFailed, "OfficeApplication#%s,13,Save: Exception No=%x Message%s",
                 "OfficeApplication#%s,14,Save: Unknown Exception"},
                [&] { return saveWorkbook(workbook, temporary, password, encrypt, method, m, saved); });
            closeWorkbook(workbook, method, m);
            return result;
        });
    } catch (...) {
        // Excel could not be started (Exception 201) or another failure: the
        // result keeps the value the steps above last gave it.
    }
    if (saved) {
        const int placed =
            placeSavedFile(method, filePath, temporary, 22, kExcelDocumentNotDeleted, kExcelTemporaryNotMoved);
        if (placed != kSuccess) result = placed;
    }
    discardUnusedTemporary(result, temporary);
    return result;
}
