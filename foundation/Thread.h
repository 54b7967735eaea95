#pragma once

#include "Object.h"

// The base of every worker thread. The system thread is created suspended
// by the constructor; the subclass finishes its own construction and then
// calls start(). run() executes once on the new thread and may delete the
// object as its last act. The destructor never waits for the thread and
// never stops it.
class Thread : public Object {
public:
    // Throws Exception (code GetLastError()) when the thread cannot be
    // created. stackSize 0 means the default.
    Thread(void* owner, unsigned stackSize, int value);
    ~Thread() override;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    void display() override {}
    // The thread's work; does nothing here.
    virtual void run() {}
    // Resumes the suspended thread; call once.
    virtual void start();

    void* getOwner() const { return owner_; }
    int getValue() const { return value_; }
    unsigned getThreadId() const { return threadId_; }

private:
    static unsigned __stdcall procedure(void* argument);

    void* owner_;
    int value_;
    unsigned threadId_ = 0;
    void* handle_ = nullptr;
};
