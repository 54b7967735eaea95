#include "PasswordJobs.h"

#include <new>

#include "ProtectionJob.h"
#include "foundation/Exception.h"
#include "foundation/Log.h"
#include "wingui/ProcessWindows.h"

namespace {

template <class Job>
bool startJob(HWND owner, const LinkedList& files, JobDirection direction) {
    const char* const name = jobLogPrefix(direction);
    try {
        Job* job = new Job(owner, files);
        job->start();
        return true;
    } catch (const Exception& e) {
        logError("%s#start,1,Not started code=%d message=%s", name, e.getErrorCode(),
                 e.getMessage() != nullptr ? e.getMessage() : "");
    } catch (const std::bad_alloc&) {
        logError("%s#start,1,Not started: out of memory", name);
    }
    reportJobNotStarted(owner, direction);
    return false;
}

}  // namespace

PasswordEncryptionThread::PasswordEncryptionThread(HWND owner, const LinkedList& list)
    : Thread(owner, 0, 0), instance(Program_GetInstance()) {
    files.addAllCopies(list);
}

PasswordEncryptionThread::~PasswordEncryptionThread() = default;

void PasswordEncryptionThread::run() {
    ProtectionJob(JobDirection::Encryption, static_cast<HWND>(getOwner()), instance).run(files);
    delete this;
}

PasswordDecryptionThread::PasswordDecryptionThread(HWND owner, const LinkedList& list)
    : Thread(owner, 0, 0), instance(Program_GetInstance()) {
    files.addAllCopies(list);
}

PasswordDecryptionThread::~PasswordDecryptionThread() = default;

void PasswordDecryptionThread::run() {
    ProtectionJob(JobDirection::Decryption, static_cast<HWND>(getOwner()), instance).run(files);
    delete this;
}

bool startEncryptionJob(HWND owner, const LinkedList& files) {
    return startJob<PasswordEncryptionThread>(owner, files, JobDirection::Encryption);
}

bool startDecryptionJob(HWND owner, const LinkedList& files) {
    return startJob<PasswordDecryptionThread>(owner, files, JobDirection::Decryption);
}

void reportJobNotStarted(HWND owner, JobDirection direction) {
    MessageBoxA(owner,
                direction == JobDirection::Encryption ? "Encrypt: Failed to start the encryption."
                                                      : "Decrypt: Failed to start the decryption.",
                "Tarnwick", MB_OK | MB_ICONERROR);
}
