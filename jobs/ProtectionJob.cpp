#include "ProtectionJob.h"

#include <new>
#include <string>

#include "JobPlan.h"
#include "Notifier.h"
#include "PdfProtector.h"
#include "foundation/ComError.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "foundation/String.h"
#include "office/OfficeApplication.h"
#include "office/OfficeCodes.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/MessagePump.h"

namespace {

// The applications' session, or with EncryptionEngine 1 the built-in
// engine's, which starts no application.
std::unique_ptr<OfficeApplication> makeOfficeApplication(int doc, int ppt, int xls) {
    if (TarnwickRegistry().isBuiltInEngine()) {
        logDebug("ProtectionJob#makeOfficeApplication,1,Built-in engine");
        return std::make_unique<OfficeApplication>(OfficeApplication::BuiltIn{});
    }
    return std::make_unique<OfficeApplication>(doc, ppt, xls);
}

// The result a row logs when there is no session, or the session threw.
constexpr int kNoResult = -1;

const char* pathOf(const Iterator* node) {
    const String* path = static_cast<const String*>(node->getObject());
    return path != nullptr && path->getContents() != nullptr ? path->getContents() : "";
}

}  // namespace

ProtectionJob::ProtectionJob(JobDirection direction, HWND owner, HINSTANCE instance, SessionFactory factory)
    : direction_(direction), owner_(owner), instance_(instance), factory_(factory ? factory : makeOfficeApplication) {}

const char* ProtectionJob::logPrefix() const { return jobLogPrefix(direction_); }

std::unique_ptr<Notifier> ProtectionJob::makeNotifier() const {
    if (direction_ == JobDirection::Encryption) return std::make_unique<EncryptionNotifier>(instance_);
    return std::make_unique<DecryptionNotifier>(instance_);
}

std::unique_ptr<OfficeApplication> ProtectionJob::startSession(const LinkedList& files) const {
    ApplicationCounts counts;
    for (const Iterator* node = files.getHead(); node != nullptr; node = node->getNext()) {
        countForApplication(pathOf(node), counts);
    }
    logDebug("%s#run,7,doc=%d ppt=%d xls=%d", logPrefix(), counts.word, counts.powerPoint, counts.excel);
    // Without a session the job still runs: its Office files fail, its PDF
    // files do not need one.
    try {
        return factory_(counts.word, counts.powerPoint, counts.excel);
    } catch (const Exception& e) {
        logError("%s#run,7,No Office session code=%d message=%s", logPrefix(), e.getErrorCode(),
                 e.getMessage() != nullptr ? e.getMessage() : "");
    } catch (const ComError& e) {
        logError("%s#run,7,No Office session hr=%x message=%s", logPrefix(), static_cast<unsigned>(e.getError()),
                 e.getErrorMessage());
    } catch (...) {
        logError("%s#run,7,No Office session: unexpected exception", logPrefix());
    }
    return nullptr;
}

bool ProtectionJob::processOffice(OfficeApplication* session, const char* path, bool keepFileTimes,
                                  Notifier& notifier) const {
    int result = kNoResult;
    if (session != nullptr) {
        // An application that fails to start on demand throws; the flow has
        // put the document back by then.
        try {
            result = direction_ == JobDirection::Encryption ? session->protect(path, keepFileTimes)
                                                            : session->unprotect(path, keepFileTimes);
        } catch (const Exception& e) {
            logError("%s#run,12,Exception code=%d message=%s file=%s", logPrefix(), e.getErrorCode(),
                     e.getMessage() != nullptr ? e.getMessage() : "", path);
        } catch (const ComError& e) {
            logError("%s#run,12,COM error hr=%x message=%s file=%s", logPrefix(), static_cast<unsigned>(e.getError()),
                     e.getErrorMessage(), path);
        } catch (...) {
            logError("%s#run,12,Unexpected exception file=%s", logPrefix(), path);
        }
    }
    logDebug("%s#run,12,result=%d file=%s", logPrefix(), result, path);
    const bool ok = result == office_codes::kSuccess;
    notifier.addResult(path, ok ? kRowOk : kRowFailed, ok);
    return ok;
}

void ProtectionJob::run(const LinkedList& files) noexcept {
    const char* const name = logPrefix();
    logDebug("%s#run,1,Start", name);
    std::unique_ptr<Notifier> notifier;
    // Counted first, so that even a run that fails early tallies every path.
    const int total = files.getLength();
    int succeeded = 0;
    // Every password of the job is derived from one look-up of the machine.
    PasswordGenerator::IdentityScope identity;
    try {
        PdfRunInputs inputs;
        preparePdfRunSettings(direction_, inputs);
        notifier = makeNotifier();
        notifier->create(owner_, GetCurrentThreadId());
        std::unique_ptr<OfficeApplication> session = startSession(files);
        readWorkingFolder(inputs);
        // The built-in engine takes the Open XML files as Office 2007 would.
        const bool office12 =
            session != nullptr && (session->isOffice12Installed() || session->usesBuiltInEngine());
        logDebug("%s#run,9,total=%d office12=%d pdftk=%s folder=%s", name, total, office12 ? 1 : 0,
                 inputs.pdftkPath.getContents() != nullptr ? inputs.pdftkPath.getContents() : "",
                 inputs.workingFolder.getContents() != nullptr ? inputs.workingFolder.getContents() : "");
        processFiles(files, session.get(), office12, inputs, *notifier, succeeded);
        // The session ends here, before the tally: its applications quit.
        session.reset();
    } catch (const std::exception& e) {
        logError("%s#run,14,Exception %s", name, e.what());
    } catch (const Exception& e) {
        logError("%s#run,14,Exception code=%d message=%s", name, e.getErrorCode(),
                 e.getMessage() != nullptr ? e.getMessage() : "");
    } catch (...) {
        logError("%s#run,14,Unexpected exception", name);
    }
    finishNotifier(notifier, total, succeeded);
    PostMessageA(owner_, WM_JOB_DONE, 0, 0);
    logDebug("%s#run,16,End total=%d succeeded=%d", name, total, succeeded);
}

void ProtectionJob::processFiles(const LinkedList& files, OfficeApplication* session, bool office12,
                                 const PdfRunInputs& inputs, Notifier& notifier, int& succeeded) const {
    const int total = files.getLength();
    PdfProtector pdf(inputs, notifier);
    int index = 0;
    for (const Iterator* node = files.getHead(); node != nullptr; node = node->getNext()) {
        ++index;
        if (pumpPendingMessages(10, WM_JOB_CANCEL, true).sawWatched || pdf.isCancelRequested()) {
            logDebug("%s#run,10,Cancelled before file %d of %d", logPrefix(), index, total);
            break;
        }
        const char* path = pathOf(node);
        notifier.setStatus(formatProgressText(direction_, index, total, path).c_str());
        if (processFile(session, office12, inputs.keepFileTimes, pdf, path, notifier)) ++succeeded;
        if (node->getNext() != nullptr) Sleep(10);
    }
}

bool ProtectionJob::processFile(OfficeApplication* session, bool office12, bool keepFileTimes, PdfProtector& pdf,
                                const char* path, Notifier& notifier) const {
    try {
        switch (fileStepFor(path, office12)) {
            case FileStep::Skipped:
                // Without a session its Office files fail, Open XML or not.
                if (session != nullptr) {
                    notifier.addResult(path, kRowSkipped, false);
                    return false;
                }
                [[fallthrough]];
            case FileStep::Office: return processOffice(session, path, keepFileTimes, notifier);
            case FileStep::Pdf:
                return direction_ == JobDirection::Encryption ? pdf.encryptPdf(path) : pdf.decryptPdf(path);
            case FileStep::NoRow: return false;
        }
    } catch (...) {
        logError("%s#run,13,Unexpected exception file=%s", logPrefix(), path);
    }
    return false;
}

void ProtectionJob::finishNotifier(std::unique_ptr<Notifier>& notifier, int total, int succeeded) const {
    try {
        if (notifier) {
            notifier->finish(formatTallyText(direction_, total, succeeded).c_str());
            notifier->waitUntilClosed();
            notifier->hide();
            notifier->close();
            notifier.reset();
        }
    } catch (...) {
        logError("%s#run,15,Unexpected exception at the end", logPrefix());
    }
}
