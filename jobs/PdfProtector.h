#pragma once

#include <windows.h>

#include "JobTexts.h"
#include "foundation/String.h"

class Notifier;

// What a job prepares once per run for its PDF files.
struct PdfRunInputs {
    String pdftkPath;      // full path of pdftk.exe; empty when not configured
    String ownerPassword;  // the derived owner password or its fallback
    String rightsText;     // encryption only: empty, or "allow ..." (formatRightsText)
    String workingFolder;  // where a file is set aside while pdftk runs; no trailing backslash
    bool keepFileTimes = false;
    STARTUPINFOA startupInfo = {};  // for every pdftk process: the job's own, window hidden
};

// The PDF step of the jobs: the file is set aside in the working folder
// under a GUID name, pdftk writes the encrypted or decrypted file back to the
// file's own path, and the set-aside copy is deleted (pdftk succeeded) or
// moved back (anything else). Every call adds exactly one row to the
// notifier. Runs on the job's worker thread and keeps its windows responsive
// while pdftk runs.
class PdfProtector {
public:
    PdfProtector(const PdfRunInputs& inputs, Notifier& notifier) : inputs_(inputs), notifier_(notifier) {}

    // Each returns true when the row reads "OK".
    bool encryptPdf(const char* sourcePath);
    bool decryptPdf(const char* sourcePath);

    // True once the user confirmed Cancel while pdftk was running; the job
    // then stops before its next file.
    bool isCancelRequested() const { return cancelRequested_; }

private:
    enum class Outcome { Ok, Failed, Skipped };
    // Adds the row.
    Outcome protect(const char* sourcePath, JobDirection direction);
    // The step once pdftk is known to exist.
    Outcome protectWith(const char* pdftk, const char* sourcePath, JobDirection direction);
    // Starts the command line and waits for its process; false when it could
    // not be started.
    bool runPdftk(const char* commandLine, DWORD& exitCode);

    const PdfRunInputs& inputs_;
    Notifier& notifier_;
    bool cancelRequested_ = false;
};

// The calling program's start-up information with its window hidden: what a
// job hands to every pdftk process.
STARTUPINFOA hiddenStartupInfo();

// Owner password used when none can be derived.
extern const char kFallbackOwnerPassword[];

// Reads what a job's PDF step needs from the settings, at the start of a
// run: the pdftk path (empty when absent), whether to keep file times, the
// rights text (encryption only), the owner password (or the fallback), the
// working folder (preset "c:\temp", which is never created) and the hidden
// start-up information.
void preparePdfRunInputs(JobDirection direction, PdfRunInputs& inputs);
// The same in the two parts a job reads at different moments: everything
// but the working folder, then the working folder.
void preparePdfRunSettings(JobDirection direction, PdfRunInputs& inputs);
void readWorkingFolder(PdfRunInputs& inputs);

// The result texts of a job's rows.
extern const char kRowOk[];
extern const char kRowFailed[];
extern const char kRowSkipped[];
