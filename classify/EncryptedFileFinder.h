#pragma once

#include "classify/EncryptionState.h"
#include "foundation/Object.h"

// Decides, by reading a file, whether it is rights-managed or protected by a
// password. Every check only reads; a file that cannot be judged counts as
// not protected.
class EncryptedFileFinder : public Object {
public:
    // Results of checkRightsManagement.
    enum RightsResult {
        kOfficeZipPackage = 0,
        kRightsManagedFile = 1,
        kNoStorage = 100,
        kStorageTestFailed = 101,
        kNoRootStatistics = 103,
        kNoPrimaryStream = 105,
        kComError = 106,
        kCannotOpenStorage = 201,
        kStorageMissing = 202,
        kOtherException = 1000,
    };
    // Results of the four format checks; only kEncrypted counts.
    enum FormatResult { kEncrypted = 1, kNotEncrypted = 0, kNotCompoundFile = -1, kStreamMissing = -2 };

    // True when the file is rights-managed (state 1) or password-encrypted
    // (state 2; also when it is both). state is written only when something
    // is found.
    bool isEncrypted(const char* path, EncryptionState& state);
    // Opens the file read/write and exclusively, so that a read-only file or
    // one held open elsewhere answers kCannotOpenStorage.
    int checkRightsManagement(const char* path);
    bool isPasswordEncrypted(const char* path);
    int checkWordDocument(const char* path);
    int checkPowerPointDocument(const char* path);
    int checkExcelWorkbook(const char* path);
    int checkEncryptedPackage(const char* path);
};
