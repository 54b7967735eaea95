#pragma once

#include "foundation/Registry.h"
#include "foundation/String.h"

// The program's persistent settings: named values under
// HKEY_CURRENT_USER\SOFTWARE\Merrowind\Application\Tarnwick\Config. Every
// reader has the value's default built in; nothing is cached, so each use
// constructs an object on the spot and reads afresh. No operation throws or
// logs: failures end in the default or in false.
class TarnwickRegistry : public CurrentUserRegistry {
public:
    // Creates the settings key when it is missing; a failure is ignored.
    TarnwickRegistry();
    ~TarnwickRegistry() override;

    // "DonotUdateFileTime": true only when the value is exactly "true".
    bool isDonotUpdateFileTime();
    bool setDonotUpdateFileTime(bool keep);

    // "PathForPDFTK": when present, stores it in path and returns true;
    // otherwise leaves path as it was and returns false.
    bool getPathForPDFTK(String& path);
    bool setPathForPDFTK(const char* path);

    // "Printing" and "CopyContents": true when absent or exactly "true".
    bool isPrinting();
    bool setPrinting(bool allowed);
    bool isCopyContents();
    bool setCopyContents(bool allowed);

    // In: the caller's preset. Out: the "WorkingFolder" value, else
    // %USERPROFILE%\twk (created when missing); true when one of them was
    // stored, false (preset untouched) otherwise.
    bool getWorkingFolder(String& folder);

    // "MacroSecurityLevel" (REG_DWORD): 1 to 3; 3 when absent, unreadable or
    // out of range.
    int getMacroSecurityLevel();

    // "EncryptionEngine" (REG_DWORD): true when it is 1, the built-in engine
    // (doccrypt/); 0, absent or anything else means the Office applications.
    bool isBuiltInEngine();
    bool setBuiltInEngine(bool builtIn);

    // "InitialFolder": as getPathForPDFTK.
    bool getInitialFolder(String& folder);
    bool setInitialFolder(const char* folder);

    static const char kKey[];

private:
    bool readFlag(const char* name, bool whenAbsent);
    bool writeFlag(const char* name, bool value);
};
