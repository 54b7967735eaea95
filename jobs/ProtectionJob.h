#pragma once

#include <windows.h>

#include <memory>

#include "JobTexts.h"
#include "foundation/LinkedList.h"

class Notifier;
class OfficeApplication;
class PdfProtector;
struct PdfRunInputs;

// One run of an encryption or decryption job, on the calling thread: the
// preparation, one row per file in the job's notifier (Office documents
// through the Office session, PDF files through pdftk), the tally, the wait
// for the user to close the notifier, and WM_JOB_DONE to the owner window.
// PasswordEncryptionThread and PasswordDecryptionThread run it on their
// worker threads.
class ProtectionJob {
public:
    // Makes the job's Office session from the numbers of Word, PowerPoint
    // and Excel files; may throw as the session's constructor does.
    using SessionFactory = std::unique_ptr<OfficeApplication> (*)(int doc, int ppt, int xls);

    // owner receives WM_JOB_DONE and parents the notifier; instance holds
    // the notifier's class and icons. Without a factory the session is an
    // OfficeApplication.
    ProtectionJob(JobDirection direction, HWND owner, HINSTANCE instance, SessionFactory factory = nullptr);

    // Runs the job over files (full paths, in order) and returns once the
    // user has closed the notifier and WM_JOB_DONE is posted. Never throws:
    // a session that cannot be made fails every Office file ("NG"), and a
    // file whose processing throws gets "NG" while the loop goes on.
    void run(const LinkedList& files) noexcept;

private:
    // What the job's log lines start with.
    const char* logPrefix() const;
    std::unique_ptr<Notifier> makeNotifier() const;
    std::unique_ptr<OfficeApplication> startSession(const LinkedList& files) const;
    // The files in order, one row each, until the user cancels; succeeded
    // counts the files that succeed and keeps its count when a step throws.
    void processFiles(const LinkedList& files, OfficeApplication* session, bool office12, const PdfRunInputs& inputs,
                      Notifier& notifier, int& succeeded) const;
    // One file's row; true when the file succeeded. Never throws.
    bool processFile(OfficeApplication* session, bool office12, bool keepFileTimes, PdfProtector& pdf,
                     const char* path, Notifier& notifier) const;
    // One Office document; true when its row reads "OK".
    bool processOffice(OfficeApplication* session, const char* path, bool keepFileTimes, Notifier& notifier) const;
    // The tally, the wait for the user to close the notifier, and its end.
    void finishNotifier(std::unique_ptr<Notifier>& notifier, int total, int succeeded) const;

    JobDirection direction_;
    HWND owner_;
    HINSTANCE instance_;
    SessionFactory factory_;
};
