#pragma once

// Result codes of OfficeApplication::protect / unprotect. 0 is success;
// every other value is a failure that the job shows as "NG".
namespace office_codes {

constexpr int kSuccess = 0;
// Set by the flow.
constexpr int kFileNotFound = 102;
constexpr int kUnsupportedFile = 103;
constexpr int kPathTooLong = 104;          // the path, or its backup name, would not fit in 1024 bytes
constexpr int kOffice12NotInstalled = 800;
constexpr int kFileInUse = 601;
constexpr int kBackupNotMade = 603;
constexpr int kBackupNotDeleted = 604;
constexpr int kBackupNotRestored = 605;
constexpr int kDocumentNotDeleted = 606;   // the backup is kept beside the document
constexpr int kPasswordNotDerived = 607;   // no engine ran; the document is untouched
// Word engine.
constexpr int kWordOpenFailed = 202;
constexpr int kWordSaveFailed = 203;
constexpr int kWordCloseFailed = 204;
constexpr int kWordReadOnlyRecommended = 205;
constexpr int kWordDocumentNotDeleted = 206;  // the saved file could not replace the document: delete failed
constexpr int kWordTemporaryNotMoved = 207;   // ... the move failed
// PowerPoint engine.
constexpr int kPowerPointOpenFailed = 302;
constexpr int kPowerPointSaveFailed = 303;
constexpr int kPowerPointDocumentNotDeleted = 305;
constexpr int kPowerPointTemporaryNotMoved = 306;
// Excel engine.
constexpr int kExcelOpenFailed = 402;
constexpr int kExcelSaveFailed = 403;
constexpr int kExcelDocumentNotDeleted = 405;
constexpr int kExcelTemporaryNotMoved = 406;
constexpr int kExcelReadOnlyRecommended = 407;
// The built-in engine (doccrypt/). The document is left as it was.
constexpr int kBuiltInWrongPassword = 901;     // encrypted, but not with the derived password
constexpr int kBuiltInDamagedFile = 902;       // truncated, malformed, or not the document its name says
constexpr int kBuiltInUnknownCipher = 903;     // encrypted in a way the engine does not read
constexpr int kBuiltInRightsManaged = 904;     // protected by rights management, not by a password
constexpr int kBuiltInNotEncryptable = 905;    // a plain document the engine cannot encrypt
constexpr int kBuiltInPlatformFailed = 906;    // no memory, no random numbers, structured storage failed
constexpr int kBuiltInReadFailed = 907;        // the document could not be read
constexpr int kBuiltInWriteFailed = 908;       // the new document could not be written beside it
constexpr int kBuiltInDocumentNotDeleted = 909;  // the new document could not replace it: delete failed
constexpr int kBuiltInTemporaryNotMoved = 910;   // ... the move failed
// Any engine.
constexpr int kUnexpectedComError = 1000;
constexpr int kEngineNotRun = 1;

}  // namespace office_codes
