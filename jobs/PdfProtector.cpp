#include "PdfProtector.h"

#include <cstring>
#include <string>
#include <vector>

#include "FileTimes.h"
#include "resources/TarnwickIds.h"
#include "wingui/MessagePump.h"
#include "JobTexts.h"
#include "Notifier.h"
#include "foundation/Log.h"
#include "foundation/Registry.h"
#include "foundation/WinHandles.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"

const char kRowOk[] = "OK";
const char kRowFailed[] = "NG";
const char kRowSkipped[] = "SKIPPED";
const char kFallbackOwnerPassword[] = "_BRAMBLE_SHIELD";

namespace {

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

void preparePdfRunInputs(JobDirection direction, PdfRunInputs& inputs) {
    preparePdfRunSettings(direction, inputs);
    readWorkingFolder(inputs);
}

void preparePdfRunSettings(JobDirection direction, PdfRunInputs& inputs) {
    inputs.startupInfo = hiddenStartupInfo();
    TarnwickRegistry settings;
    inputs.pdftkPath = "";
    settings.getPathForPDFTK(inputs.pdftkPath);
    inputs.keepFileTimes = settings.isDonotUpdateFileTime();
    inputs.rightsText = direction == JobDirection::Encryption
                            ? formatRightsText(settings.isPrinting(), settings.isCopyContents()).c_str()
                            : "";
    char owner[64] = {};
    if (!PasswordGenerator::getPdfOwnerPassword(owner)) {
        logError("PdfProtector#preparePdfRunInputs,1,No owner password; the fallback is used");
        inputs.ownerPassword = kFallbackOwnerPassword;
    } else {
        inputs.ownerPassword = owner;
    }
}

void readWorkingFolder(PdfRunInputs& inputs) {
    String folder("c:\\temp");
    TarnwickRegistry().getWorkingFolder(folder);
    inputs.workingFolder = folder;
}

bool PdfProtector::encryptPdf(const char* sourcePath) {
    return protect(sourcePath, JobDirection::Encryption) == Outcome::Ok;
}

bool PdfProtector::decryptPdf(const char* sourcePath) {
    return protect(sourcePath, JobDirection::Decryption) == Outcome::Ok;
}

PdfProtector::Outcome PdfProtector::protect(const char* sourcePath, JobDirection direction) {
    const char* const directionText = direction == JobDirection::Encryption ? "encrypt" : "decrypt";
    logDebug("PdfProtector#protect,1,Start %s file=%s", directionText, sourcePath ? sourcePath : "");
    Outcome outcome = Outcome::Failed;
    const char* pdftk = inputs_.pdftkPath.getContents();
    if (!pdftk || !exists(pdftk)) {
        logDebug("PdfProtector#protect,2,pdftk not found path=%s", pdftk ? pdftk : "");
        outcome = Outcome::Skipped;
    } else if (sourcePath) {
        outcome = protectWith(pdftk, sourcePath, direction);
    }
    switch (outcome) {
        case Outcome::Ok: notifier_.addResult(sourcePath, kRowOk, true); break;
        case Outcome::Failed: notifier_.addResult(sourcePath, kRowFailed, false); break;
        case Outcome::Skipped: notifier_.addResult(sourcePath, kRowSkipped, false); break;
    }
    logDebug("PdfProtector#protect,9,End %s result=%s", directionText,
             outcome == Outcome::Ok ? kRowOk : outcome == Outcome::Failed ? kRowFailed : kRowSkipped);
    return outcome;
}

PdfProtector::Outcome PdfProtector::protectWith(const char* pdftk, const char* sourcePath, JobDirection direction) {
    const bool encrypt = direction == JobDirection::Encryption;
    FILETIME lastAccess = {}, lastWrite = {};
    const bool timesRead = getFileTime(sourcePath, lastAccess, lastWrite);

    // Everything that can fail without pdftk is settled before the file
    // moves, so that such a failure leaves it where it is.
    String guid;
    std::string parkingPath, command;
    if (!Guid().toString(guid) || !formatParkingPath(inputs_.workingFolder.getContents(), guid.getContents(),
                                                     parkingPath)) {
        logError("PdfProtector#protect,3,No parking path in folder=%s", inputs_.workingFolder.getContents());
        return Outcome::Failed;
    }
    char userPassword[64] = {};
    if (encrypt && !PasswordGenerator::getPdfUserPasswordForPath(sourcePath, userPassword)) {
        logError("PdfProtector#protect,4,No user password for file=%s", sourcePath);
        return Outcome::Failed;
    }
    const bool formatted =
        encrypt ? formatEncryptCommand(pdftk, parkingPath.c_str(), sourcePath, userPassword,
                                       inputs_.rightsText.getContents(), inputs_.ownerPassword.getContents(), command)
                : formatDecryptCommand(pdftk, parkingPath.c_str(), inputs_.ownerPassword.getContents(), sourcePath,
                                       command);
    if (!formatted) {
        logError("PdfProtector#protect,5,Command line longer than %u characters", unsigned(kMaxPdftkCommandLine));
        return Outcome::Failed;
    }
    if (!MoveFileA(sourcePath, parkingPath.c_str())) {
        logError("PdfProtector#protect,6,MoveFile failed error=%lu to=%s", GetLastError(), parkingPath.c_str());
        return Outcome::Failed;
    }

    Outcome outcome = Outcome::Failed;
    DWORD exitCode = 1;
    if (!runPdftk(command.c_str(), exitCode)) {
        logError("PdfProtector#protect,7,CreateProcess failed error=%lu", GetLastError());
    } else {
        logDebug("PdfProtector#protect,7,pdftk exit code=%lu", exitCode);
    }
    if (exitCode == 0 && exists(sourcePath)) {
        // pdftk's result stands at the path; the original goes, read-only
        // or not: an unencrypted copy must not stay behind.
        SetFileAttributesA(parkingPath.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(parkingPath.c_str())) {
            logError("PdfProtector#protect,8,Could not delete %s error=%lu", parkingPath.c_str(), GetLastError());
        }
        outcome = Outcome::Ok;
    } else if (!moveBack(parkingPath, sourcePath)) {
        logError("PdfProtector#protect,8,Could not move %s back to %s error=%lu", parkingPath.c_str(), sourcePath,
                 GetLastError());
    }
    if (timesRead && inputs_.keepFileTimes && !setFileTime(sourcePath, lastAccess, lastWrite)) {
        logDebug("PdfProtector#protect,8,File times not restored file=%s", sourcePath);
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
        if (pumpPendingMessages(100, WM_JOB_CANCEL).sawWatched) cancelRequested_ = true;
        if (WaitForSingleObject(processHandle.get(), 200) != WAIT_TIMEOUT) break;
    }
    if (!GetExitCodeProcess(processHandle.get(), &exitCode)) exitCode = 1;
    return true;
}
