#pragma once

#include "Object.h"
#include "WinHandles.h"

// The base of every worker thread. The system thread is created suspended
// by the constructor; the subclass finishes its own construction and then
// calls start(). run() executes once on the new thread and may delete the
// object as its last act. The destructor never waits for the thread and
// never stops it; join() does the waiting. A thread deleted before start()
// is resumed only to end at once, without run().
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
    // Waits up to timeoutMs (INFINITE: no limit) for the thread to end: true
    // once it has ended, false on time-out. A thread never started has
    // nothing to wait for: true at once. Meanwhile the messages that other
    // threads send to the calling thread's windows are handled, so that a
    // run() sending to them cannot stall its joiner; posted messages stay
    // queued. Not for an object that run() deletes: it may be gone.
    bool join(DWORD timeoutMs);

    void* getOwner() const { return owner_; }
    int getValue() const { return value_; }
    unsigned getThreadId() const { return threadId_; }

private:
    struct Launch;
    static unsigned __stdcall procedure(void* argument);

    void* owner_;
    int value_;
    unsigned threadId_ = 0;
    unique_handle handle_;
    // What the new thread receives; it is the thread's to free once it runs.
    Launch* launch_ = nullptr;
};
