// Worker threads with a bounded join.
#pragma once
#include <atomic>

#include "platform/wakeup.h"

namespace rdstmc::platform {

// One worker thread at a time. Start and Join must not run concurrently with
// each other on the same object (the caller serialises them).
class Thread {
public:
    Thread();
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    // Runs body(arg) on a new thread named `name` (at most 15 characters are
    // kept). False if a thread started earlier has not been joined, or the OS
    // refuses a new thread.
    bool Start(void (*body)(void*), void* arg, const char* name);

    // Waits up to `timeoutMs` for the thread to end and reaps it. True when no
    // thread remains (also when none was started); false if it is still
    // running, in which case a later Join may try again.
    bool Join(unsigned timeoutMs);

    // True when called on this object's running thread.
    bool IsCurrent() const;

    // In a copy of the process, which has none of the parent's other
    // threads: forgets the thread without a join, so Start works again.
    // Single-threaded use only.
    void Abandon();

    // True on any thread that a Thread object started: one of the library's
    // own workers, which must never wait for another worker.
    static bool CurrentIsWorker();

private:
    // Each platform's thread entry calls RunBody.
    friend struct ThreadEntry;

    // What every platform does on the new thread: marks it a worker, runs the
    // body and signals the end.
    void RunBody();
    // The platform's part: create the thread (entering ThreadEntry) and, once
    // it has ended, release what the system holds for it.
    bool CreateNative();
    void ReapNative();

    void (*body_)(void*) = nullptr;
    void* arg_ = nullptr;
    char name_[16] = {};
    std::atomic<bool> started_{false};
    std::atomic<bool> finished_{false};
    Wakeup finishedSignal_;
    alignas(8) unsigned char handle_[16];
};

}  // namespace rdstmc::platform
