// Word: open, save under a temporary ".doc" name in the document's own
// format with or without the password, close, then put the saved file in
// the document's place.

#include <string>

#include "foundation/ComError.h"
#include "foundation/Log.h"
#include "office/EngineStep.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"

using namespace office_codes;

int OfficeApplication::protectWord(const char* filePath, const char* password) {
    return wordEngine(filePath, password, true);
}

int OfficeApplication::unprotectWord(const char* filePath, const char* password) {
    return wordEngine(filePath, password, false);
}

namespace {

// SaveAs under the temporary name, in the document's own format, with the
// password or with none.
int saveDocument(const DispatchObject& document, const std::string& temporary, const char* password, bool encrypt,
                 const char* method, const DispatchValue& m) {
    long format = document.getLong(L"SaveFormat");
    logDebug("OfficeApplication#%s,8,Save %s format =%d", method, temporary.c_str(), static_cast<int>(format));
    HRESULT hr = document.call(L"SaveAs", {DispatchValue::text(temporary.c_str()), m, m,
                                           DispatchValue::text(encrypt ? password : ""), m, m, m, m, m, m, m, m, m, m,
                                           m, m});
    if (hr != S_OK) {
        logError("OfficeApplication#%s,9,Save: Error", method);
        return kWordSaveFailed;
    }
    logDebug("OfficeApplication#%s,8,Save: OK", method);
    return kSuccess;
}

// Close, then the saved file replaces the document; when it cannot, the flow
// puts the backup back. The document goes even after a failed save.
int closeDocument(const DispatchObject& document, const char* filePath, const std::string& temporary,
                  int saveResult, const char* method, const DispatchValue& m) {
    if (document.call(L"Close", {m, m, m}) != S_OK) {
        logError("OfficeApplication#%s,17,Close: Error", method);
        return kWordCloseFailed;
    }
    logDebug("OfficeApplication#%s,16,Close: OK", method);
    const bool saved = saveResult == kSuccess;
    if (!DeleteFileA(filePath)) {
        if (saved) {
            logError("OfficeApplication#%s,25,Failed to DeleteFile %s", method, filePath);
            return kWordDocumentNotDeleted;
        }
    } else if (!MoveFileA(temporary.c_str(), filePath)) {
        if (saved) {
            logError("OfficeApplication#%s,24,Failed to MoveFile %s to %s", method, temporary.c_str(), filePath);
            return kWordTemporaryNotMoved;
        }
    }
    return saveResult;
}

}  // namespace

int OfficeApplication::wordEngine(const char* filePath, const char* password, bool encrypt) {
    const char* method = encrypt ? "protectWord" : "unprotectWord";
    logDebug("OfficeApplication#%s,1,Start %s", method, filePath);
    std::string temporary;
    const int result = engine_step::run(
        {method, kUnexpectedComError, "OfficeApplication#%s,20,Exception No=%x Message=%s"}, [&] {
            String guid;
            if (!newGuidText(guid) || guid.getContents() == nullptr) {
                throw ComError(E_FAIL, "No GUID for the temporary name");
            }
            createWordApplication(filePath);
            word.putProperty(L"Visible", DispatchValue::boolean(false));
            DispatchObject documents = word.getObject(L"Documents");
            logDebug("OfficeApplication#%s,2,Call Documents->Open %s", method, filePath);
            const DispatchValue& m = missing;
            DispatchValue path = DispatchValue::text(filePath);
            DispatchValue openPassword = encrypt ? m : DispatchValue::text(password);
            DispatchObject document =
                documents.callObject(L"Open", {path, m, m, m, openPassword, m, m, m, m, m, m, m, m, m, m, m});
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
            // These two lines keep the wording log readers have always matched.
            const int saved = engine_step::run(
                {encrypt ? "protectWord" : "uprotectWord", kWordSaveFailed,
                 "OfficeApplication#%s,10,Exception No=%x Message=%s",
                 "OfficeApplication#protectWord,11,Unknonw Exception, GetLastError="},
                [&] { return saveDocument(document, temporary, password, encrypt, method, m); });
            return engine_step::run({method, kWordSaveFailed, "OfficeApplication#%s,18,Exception No=%x Message=%s",
                                     "OfficeApplication#%s,19,Unknonw Exception"},
                                    [&] { return closeDocument(document, filePath, temporary, saved, method, m); });
        });
    discardUnusedTemporary(result, temporary);
    return result;
}
