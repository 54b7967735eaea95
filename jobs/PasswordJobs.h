#pragma once

#include <windows.h>

#include "JobTexts.h"
#include "foundation/LinkedList.h"
#include "foundation/Thread.h"

// The encryption job: a worker thread that encrypts every file of its list,
// Office documents through the Office session and PDF files through pdftk,
// shows a row per file and the tally in its Encryption Notifier, posts
// WM_JOB_DONE to its owner window once the user has closed the notifier,
// and then deletes itself. Create it with new and call start(); never touch
// it afterwards.
class PasswordEncryptionThread : public Thread {
public:
    // Takes its own copy of every path of files, in order. Throws the
    // Exception of Thread when the thread cannot be created, or
    // OutOfMemoryException when the copy cannot be made.
    PasswordEncryptionThread(HWND owner, const LinkedList& files);
    ~PasswordEncryptionThread() override;

    // The whole job; ends by deleting the object.
    void run() override;

private:
    LinkedList files;
    HINSTANCE instance;
};

// The decryption job: the same machine, run the other way, with its
// Decryption Notifier.
class PasswordDecryptionThread : public Thread {
public:
    PasswordDecryptionThread(HWND owner, const LinkedList& files);
    ~PasswordDecryptionThread() override;

    void run() override;

private:
    LinkedList files;
    HINSTANCE instance;
};

// What the Encrypt and Decrypt commands call: create the job for the owner
// window and the paths and start it. When the job cannot be created, tell
// the user in a message box (caption "Tarnwick", error icon) and return
// false; nothing is processed then.
bool startEncryptionJob(HWND owner, const LinkedList& files);
bool startDecryptionJob(HWND owner, const LinkedList& files);

// The message box of a job that could not be started.
void reportJobNotStarted(HWND owner, JobDirection direction);
