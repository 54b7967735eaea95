// The per-file flow around the engines: checks, backup, password, engine,
// then the backup either discarded or put back.

#include <cstring>
#include <exception>
#include <string>

#include "classify/FileType.h"
#include "foundation/Log.h"
#include "foundation/WinHandles.h"
#include "office/OfficeApplication.h"
#include "office/OfficeRules.h"
#include "office/OfficeVersion.h"
#include "settings/PasswordGenerator.h"

using namespace office_codes;

int OfficeApplication::protect(const char* filePath, bool keepFileTime) {
    return runFlow(filePath, keepFileTime, true);
}

int OfficeApplication::unprotect(const char* filePath, bool keepFileTime) {
    return runFlow(filePath, keepFileTime, false);
}

int OfficeApplication::runEngine(const char* filePath, const char* password, bool encrypt) {
    if (builtIn) return builtInEngine(filePath, password, encrypt);
    switch (office_rules::engineFor(filePath)) {
        case office_rules::Engine::Word:
            return encrypt ? protectWord(filePath, password) : unprotectWord(filePath, password);
        case office_rules::Engine::PowerPoint:
            return encrypt ? protectPowerPoint(filePath, password) : unprotectPowerPoint(filePath, password);
        case office_rules::Engine::Excel:
            return encrypt ? protectExcel(filePath, password) : unprotectExcel(filePath, password);
        case office_rules::Engine::None:
            break;
    }
    return kUnsupportedFile;
}

int OfficeApplication::runFlow(const char* filePath, bool keepFileTime, bool encrypt) {
    const char* method = encrypt ? "protect" : "unprotect";
    logDebug("OfficeApplication#%s,1,Start file=%s ", method, filePath != nullptr ? filePath : "");
    if (const int refused = refuseDocument(filePath, method)) return refused;
    DWORD savedAttributes = 0;
    bool attributesChanged = false;
    int normal = setNormalFileAttribute(filePath, savedAttributes, attributesChanged);
    logDebug("OfficeApplication#%s,4,setNormalFileAttributs %d changed%d", method, normal, attributesChanged ? 1 : 0);
    auto restoreAttributes = [&] {
        if (attributesChanged) SetFileAttributesA(filePath, savedAttributes);
    };
    if (isFileInUse(filePath)) {
        logError("OfficeApplication#%s,5,Used in other program %s", method, filePath);
        restoreAttributes();
        return kFileInUse;
    }

    // The times are read before the backup copy: reading the document for
    // the copy may itself move its access time.
    FILETIME lastAccess{};
    FILETIME lastWrite{};
    bool timesRead = getFileTime(filePath, lastAccess, lastWrite);

    const std::string backup = makeBackup(filePath, method);
    if (backup.empty()) {
        restoreAttributes();
        return kBackupNotMade;
    }

    std::exception_ptr pending;
    int result = runWithPassword(filePath, encrypt, method, pending);
    if (result == kPasswordNotDerived) {
        // The document was never touched: only the backup goes.
        if (!doDeleteFile(backup.c_str())) {
            logError("OfficeApplication#%s,15,Failed to delete a backupFile %s", method, backup.c_str());
        }
    } else if (result != kSuccess) {
        result = putBackupBack(filePath, backup, result, method);
    } else {
        if (timesRead && keepFileTime) setFileTime(filePath, lastAccess, lastWrite);
        result = discardBackup(backup, method);
    }
    restoreAttributes();
    logDebug("OfficeApplication#%s,17,End rc=%d", method, result);
    if (pending) std::rethrow_exception(pending);
    return result;
}

int OfficeApplication::refuseDocument(const char* filePath, const char* method) const {
    // Every name made from the path must fit the 1024-byte buffers of this
    // subsystem; refused before anything is looked at.
    if (filePath != nullptr && office_rules::isPathTooLong(filePath)) {
        logError("OfficeApplication#%s,2,Path too long (%d characters)", method, static_cast<int>(std::strlen(filePath)));
        return kPathTooLong;
    }
    if (filePath == nullptr || GetFileAttributesA(filePath) == INVALID_FILE_ATTRIBUTES) {
        logError("OfficeApplication#%s,2,File not found %s", method, filePath != nullptr ? filePath : "");
        return kFileNotFound;
    }
    if (!office_rules::isSupported(filePath)) {
        logError("OfficeApplication#%s,3,Unsupported file %s", method, filePath);
        return kUnsupportedFile;
    }
    if (!builtIn && OfficeVersion::getWordVersion() < 12 && FileType::isOffice2007File(filePath)) {
        logError("EncryptOfficeFile,4,%s,Office12 is not installed", method);
        return kOffice12NotInstalled;
    }
    return kSuccess;
}

std::string OfficeApplication::makeBackup(const char* filePath, const char* method) {
    String guid;
    std::string backup;
    if (newGuidText(guid) && guid.getContents() != nullptr) backup = office_rules::backupPath(filePath, guid.getContents());
    if (backup.empty() || !CopyFileA(filePath, backup.c_str(), FALSE)) {
        logError("OfficeApplication#%s,6,Failed to copy a file %s to %s", method, filePath, backup.c_str());
        return std::string();
    }
    logDebug("OfficeApplication#%s,7,Created a backup file %s", method, backup.c_str());
    return backup;
}

int OfficeApplication::runWithPassword(const char* filePath, bool encrypt, const char* method,
                                       std::exception_ptr& pending) {
    int result = kEngineNotRun;
    char password[33];
    std::memset(password, 0, sizeof password);
    bool derived = PasswordGenerator::getOfficePasswordForPath(filePath, password);
    // The password itself never reaches the log.
    logError("OfficeApplication#%s,7,fileName=%s password=[%s]", method, filePath,
             office_rules::maskedPassword(password).c_str());
    if (!derived || password[0] == '\0') {
        // Without its password no document is processed: an empty one would
        // leave it unprotected (or fail to open it) while reporting nothing.
        logError("OfficeApplication#%s,7,Failed to derive the password of %s", method, filePath);
        result = kPasswordNotDerived;
    } else {
        // An application that cannot be started throws on to the job; the
        // document is put back and the backup cleared away first.
        try {
            result = runEngine(filePath, password, encrypt);
        } catch (...) {
            pending = std::current_exception();
            result = kEngineNotRun;
        }
    }
    SecureZeroMemory(password, sizeof password);
    return result;
}

int OfficeApplication::putBackupBack(const char* filePath, const std::string& backup, int result,
                                     const char* method) {
    // The engine's code stays unless the backup cannot be put back; with the
    // document gone that is reported too, the backup being then its only copy.
    auto moveBackupBack = [&] {
        if (MoveFileA(backup.c_str(), filePath)) {
            logDebug("OfficeApplication#%s,11,Moved a backup file %s to %s", method, backup.c_str(), filePath);
            return result;
        }
        logError("OfficeApplication#%s,12,Failed to move a backup file %s to %s", method, backup.c_str(), filePath);
        return kBackupNotRestored;
    };
    if (GetFileAttributesA(filePath) == INVALID_FILE_ATTRIBUTES) {
        logDebug("OfficeApplication#%s,16,Not found an original file %s", method, filePath);
        if (GetFileAttributesA(backup.c_str()) != INVALID_FILE_ATTRIBUTES) return moveBackupBack();
        return result;
    }
    if (doDeleteFile(filePath)) return moveBackupBack();
    // The document may be a half-written file of the failed engine: the
    // backup is then the only intact copy, so it stays.
    logError("OfficeApplication#%s,13,Failed to delete an original file %s", method, filePath);
    logError("OfficeApplication#%s,14,Kept the backupFile %s", method, backup.c_str());
    return kDocumentNotDeleted;
}

int OfficeApplication::discardBackup(const std::string& backup, const char* method) {
    if (GetFileAttributesA(backup.c_str()) == INVALID_FILE_ATTRIBUTES) {
        logError("OfficeApplication#%s,10,No backupFile =%s", method, backup.c_str());
        return kSuccess;
    }
    if (doDeleteFile(backup.c_str())) {
        logDebug("OfficeApplication#%s,8,Deleted a backup file %s", method, backup.c_str());
        return kSuccess;
    }
    logError("OfficeApplication#%s,9,Failed to delete a backup file %s", method, backup.c_str());
    return kBackupNotDeleted;
}

int OfficeApplication::setNormalFileAttribute(const char* path, DWORD& savedAttributes, bool& attributesChanged) {
    attributesChanged = false;
    savedAttributes = GetFileAttributesA(path);
    if (savedAttributes == INVALID_FILE_ATTRIBUTES) return 0;
    if (savedAttributes & FILE_ATTRIBUTE_NORMAL) return 1;
    if (!(savedAttributes & FILE_ATTRIBUTE_READONLY)) return 0;
    logDebug("OfficeApplication#setNormalFileAttribute,1,Readonly to normal");
    if (SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) {
        attributesChanged = true;
        logDebug("OfficeApplication#setNormalFileAttribute,2,OK. Readonly to normal");
        return 1;
    }
    logError("OfficeApplication#setNormalFileAttribute,3,Failed to Readonly to normal");
    return 0;
}

bool OfficeApplication::isFileInUse(const char* path) {
    unique_hfile file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file;
}

bool OfficeApplication::doDeleteFile(const char* path) {
    logDebug("OfficeApplication#doDeleteFile,1,attr=%x filePath=%s", static_cast<unsigned>(GetFileAttributesA(path)),
             path);
    for (int i = 0; i < 3; ++i) {
        if (DeleteFileA(path)) {
            logDebug("OfficeApplication#doDeleteFile,2,OK");
            return true;
        }
        logError("OfficeApplication#doDeleteFile,3,Failed i=%d error=%x", i, static_cast<unsigned>(GetLastError()));
    }
    return false;
}

bool OfficeApplication::getFileTime(const char* path, FILETIME& lastAccess, FILETIME& lastWrite) {
    logDebug("OfficeApplication#getFileTime,1,Start,filePath=%s", path);
    unique_hfile file(CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("OfficeApplication#getFileTime,2,Failed to open a filePath=%s", path);
        return false;
    }
    if (GetFileTime(file.get(), nullptr, &lastAccess, &lastWrite)) {
        logDebug("OfficeApplication#getFileTime,3,OK GetFileTime");
        return true;
    }
    logDebug("OfficeApplication#getFileTime,4,Failed to GetFileTime");
    return false;
}

bool OfficeApplication::setFileTime(const char* path, const FILETIME& lastAccess, const FILETIME& lastWrite) {
    logDebug("OfficeApplication#setFileTime,1,Start,filePath=%s", path);
    unique_hfile file(CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        logError("OfficeApplication#setFileTime,2,Failed to open a filePath=%s", path);
        return false;
    }
    if (SetFileTime(file.get(), nullptr, &lastAccess, &lastWrite)) {
        logDebug("OfficeApplication#setFileTime,3,OK, SetFileTime");
    } else {
        logError("OfficeApplication#setFileTime,4,Failed to SetFileTime");
    }
    return true;
}

int OfficeApplication::placeSavedFile(const char* method, const char* filePath, const std::string& temporary,
                                      int firstStep, int notDeletedCode, int notMovedCode) {
    if (!DeleteFileA(filePath)) {
        logError("OfficeApplication#%s,%d,Failed to DeleteFile %s", method, firstStep + 2, filePath);
        return notDeletedCode;
    }
    if (!MoveFileA(temporary.c_str(), filePath)) {
        logError("OfficeApplication#%s,%d,Failed to MoveFile %s to %s", method, firstStep + 1, temporary.c_str(),
                 filePath);
        return notMovedCode;
    }
    logDebug("OfficeApplication#%s,%d,MovedFile %s to %s", method, firstStep, temporary.c_str(), filePath);
    return kSuccess;
}

void OfficeApplication::discardUnusedTemporary(int result, const std::string& temporary) {
    if (result != kSuccess && !temporary.empty() && GetFileAttributesA(temporary.c_str()) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileA(temporary.c_str());
    }
}
