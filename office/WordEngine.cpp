// Word: open, save under a temporary ".doc" name in the document's own
// format with or without the password, close, then put the saved file in
// the document's place.

#include <string>

#include "foundation/ComError.h"
#include "foundation/Log.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"

using namespace office_codes;

int OfficeApplication::protectWord(const char* filePath, const char* password) {
    return wordEngine(filePath, password, true);
}

int OfficeApplication::unprotectWord(const char* filePath, const char* password) {
    return wordEngine(filePath, password, false);
}

int OfficeApplication::wordEngine(const char* filePath, const char* password, bool encrypt) {
    const char* method = encrypt ? "protectWord" : "unprotectWord";
    logDebug("OfficeApplication#%s,1,Start %s", method, filePath);
    int result = kEngineNotRun;
    std::string temporary;
    String guid;
    try {
        if (!newGuidText(guid) || guid.getContents() == nullptr) throw ComError(E_FAIL, "No GUID for the temporary name");
        createWordApplication(filePath);
        word.putProperty(L"Visible", DispatchValue::boolean(false));
        DispatchObject documents = word.getObject(L"Documents");
        logDebug("OfficeApplication#%s,2,Call Documents->Open %s", method, filePath);
        const DispatchValue& m = missing;
        DispatchValue path = DispatchValue::text(filePath);
        DispatchObject document =
            encrypt ? documents.callObject(L"Open", {path, m, m, m, m, m, m, m, m, m, m, m, m, m, m, m})
                    : documents.callObject(L"Open", {path, m, m, m, DispatchValue::text(password), m, m, m, m, m, m,
                                                     m, m, m, m, m});
        if (!document) {
            logError("OfficeApplication#%s,3,Failed to open a document", method);
            return kWordOpenFailed;
        }
        if (document.getLong(L"ReadOnlyRecommended") == VARIANT_TRUE) {
            document.call(L"Close", {m, m, m});
            logError("OfficeApplication#%s,4,Failed to open a document, because it's ReadonlyRecommended", method);
            return kWordReadOnlyRecommended;
        }
        temporary = office_rules::wordTemporaryPath(filePath, guid.getContents());
        logDebug("OfficeApplication#%s,5,Opened a file %s", method, filePath);
        try {
            long format = document.getLong(L"SaveFormat");
            logDebug("OfficeApplication#%s,8,Save %s format =%d", method, temporary.c_str(), static_cast<int>(format));
            HRESULT hr = document.call(L"SaveAs", {DispatchValue::text(temporary.c_str()), m, m,
                                                   DispatchValue::text(encrypt ? password : ""), m, m, m, m, m, m, m,
                                                   m, m, m, m, m});
            if (hr != S_OK) {
                result = kWordSaveFailed;
                logError("OfficeApplication#%s,9,Save: Error", method);
            } else {
                result = kSuccess;
                logDebug("OfficeApplication#%s,8,Save: OK", method);
            }
        } catch (const ComError& e) {
            result = kWordSaveFailed;
            // "uprotectWord" is deliberate: the line as log readers know it.
            logError(encrypt ? "OfficeApplication#protectWord,10,Exception No=%x Message=%s"
                             : "OfficeApplication#uprotectWord,10,Exception No=%x Message=%s",
                     static_cast<unsigned>(e.getError()), e.getErrorMessage());
        } catch (...) {
            result = kWordSaveFailed;
            logError("OfficeApplication#protectWord,11,Unknonw Exception, GetLastError=");
        }
        try {
            HRESULT hr = document.call(L"Close", {m, m, m});
            if (hr != S_OK) {
                result = kWordCloseFailed;
                logError("OfficeApplication#%s,17,Close: Error", method);
            } else {
                logDebug("OfficeApplication#%s,16,Close: OK", method);
                bool saved = result == kSuccess;
                // The saved file replaces the document; when it cannot, the
                // flow puts the backup back.
                if (!DeleteFileA(filePath)) {
                    if (saved) {
                        logError("OfficeApplication#%s,25,Failed to DeleteFile %s", method, filePath);
                        result = kWordDocumentNotDeleted;
                    }
                } else if (!MoveFileA(temporary.c_str(), filePath)) {
                    if (saved) {
                        logError("OfficeApplication#%s,24,Failed to MoveFile %s to %s", method, temporary.c_str(),
                                 filePath);
                        result = kWordTemporaryNotMoved;
                    }
                }
            }
        } catch (const ComError& e) {
            result = kWordSaveFailed;
            logError("OfficeApplication#%s,18,Exception No=%x Message=%s", method, static_cast<unsigned>(e.getError()),
                     e.getErrorMessage());
        } catch (...) {
            result = kWordSaveFailed;
            logError("OfficeApplication#%s,19,Unknonw Exception", method);
        }
    } catch (const ComError& e) {
        logError("OfficeApplication#%s,20,Exception No=%x Message=%s", method, static_cast<unsigned>(e.getError()),
                 e.getErrorMessage());
        result = kUnexpectedComError;
    }
    discardUnusedTemporary(result, temporary);
    return result;
}
