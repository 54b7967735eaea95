#include "PdfProtector.h"

#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

#include "FileTimes.h"
#include "JobMessages.h"
#include "JobTexts.h"
#include "Notifier.h"
#include "foundation/WinHandles.h"
#include "settings/PasswordGenerator.h"

const char kRowOk[] = "OK";
const char kRowFailed[] = "NG";
const char kRowSkipped[] = "SKIPPED";

namespace {

// The 38-character text of a new GUID, in braces.
bool newGuidText(std::string& text) {
    GUID guid;
    wchar_t wide[40];
    if (FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, wide, 40) == 0) return false;
    text.clear();
    for (const wchar_t* c = wide; *c; ++c) text += static_cast<char>(*c);
    return true;
}

// Puts the set-aside file back at its path. Whatever a failed pdftk left
// there is replaced: the set-aside file is the user's original.
bool moveBack(const std::string& parkingPath, const char* sourcePath) {
    return MoveFileExA(parkingPath.c_str(), sourcePath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool exists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

STARTUPINFOA hiddenStartupInfo() {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    // wShowWindow counts only with its flag; without it pdftk's console
    // window would show.
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    return startup;
}

bool PdfProtector::encryptPdf(const char* sourcePath) { return protect(sourcePath, true) == Outcome::Ok; }

bool PdfProtector::decryptPdf(const char* sourcePath) { return protect(sourcePath, false) == Outcome::Ok; }

PdfProtector::Outcome PdfProtector::protect(const char* sourcePath, bool encrypt) {
    Outcome outcome = Outcome::Failed;
    std::string parkingPath;
    bool parked = false;
    bool timesRead = false;
    FILETIME lastAccess = {}, lastWrite = {};

    const char* pdftk = inputs_.pdftkPath.getContents();
    if (!pdftk || !exists(pdftk)) {
        outcome = Outcome::Skipped;
    } else if (sourcePath) {
        timesRead = getFileTime(sourcePath, lastAccess, lastWrite);
        // Everything that can fail without pdftk is settled before the file
        // moves, so that such a failure leaves it where it is.
        std::string guid, command;
        char userPassword[64] = {};
        bool ready = newGuidText(guid) && formatParkingPath(inputs_.workingFolder.getContents(), guid.c_str(),
                                                            parkingPath);
        if (ready && encrypt) {
            ready = PasswordGenerator::getPdfUserPasswordForPath(sourcePath, userPassword) &&
                    formatEncryptCommand(pdftk, parkingPath.c_str(), sourcePath, userPassword,
                                         inputs_.rightsText.getContents(), inputs_.ownerPassword.getContents(),
                                         command);
        } else if (ready) {
            ready = formatDecryptCommand(pdftk, parkingPath.c_str(), inputs_.ownerPassword.getContents(), sourcePath,
                                         command);
        }
        parked = ready && MoveFileA(sourcePath, parkingPath.c_str());
        DWORD exitCode = 1;
        if (parked && runPdftk(command.c_str(), exitCode) && exitCode == 0 && exists(sourcePath)) {
            // pdftk's result stands at the path; the original goes.
            DeleteFileA(parkingPath.c_str());
            outcome = Outcome::Ok;
        } else if (parked) {
            moveBack(parkingPath, sourcePath);
        }
        if (parked && timesRead && inputs_.keepFileTimes) setFileTime(sourcePath, lastAccess, lastWrite);
    }

    switch (outcome) {
        case Outcome::Ok: notifier_.addResult(sourcePath, kRowOk, true); break;
        case Outcome::Failed: notifier_.addResult(sourcePath, kRowFailed, false); break;
        case Outcome::Skipped: notifier_.addResult(sourcePath, kRowSkipped, false); break;
    }
    return outcome;
}

bool PdfProtector::runPdftk(const char* commandLine, DWORD& exitCode) {
    std::vector<char> writable(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup = inputs_.startupInfo;
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, writable.data(), nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    unique_handle processHandle(process.hProcess);
    unique_handle threadHandle(process.hThread);
    // pdftk takes as long as it takes; meanwhile the notifier stays alive and
    // a confirmed Cancel is remembered for the job.
    for (;;) {
        if (pumpJobMessages(100, false)) cancelRequested_ = true;
        if (WaitForSingleObject(processHandle.get(), 200) != WAIT_TIMEOUT) break;
    }
    if (!GetExitCodeProcess(processHandle.get(), &exitCode)) exitCode = 1;
    return true;
}
