// The bookkeeping of a worker, the same on every platform; creating, reaping
// and naming the thread are the platform's.
#include "platform/thread.h"

#include <cstring>

namespace rdstmc::platform {
namespace {
thread_local bool t_isWorker = false;
}  // namespace

Thread::Thread() { std::memset(handle_, 0, sizeof handle_); }

// A thread still running when its object dies would run on freed state; the
// library's Thread objects live for the whole process, so this never happens.
Thread::~Thread() = default;

void Thread::RunBody() {
    t_isWorker = true;
    body_(arg_);
    finished_.store(true, std::memory_order_release);
    finishedSignal_.Set();
}

bool Thread::Start(void (*body)(void*), void* arg, const char* name) {
    if (started_.load(std::memory_order_acquire)) return false;
    body_ = body;
    arg_ = arg;
    std::strncpy(name_, name ? name : "", sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    finished_.store(false, std::memory_order_relaxed);
    finishedSignal_.Reset();
    if (!CreateNative()) return false;
    started_.store(true, std::memory_order_release);
    return true;
}

bool Thread::Join(unsigned timeoutMs) {
    if (!started_.load(std::memory_order_acquire)) return true;
    if (IsCurrent()) return false;
    if (!finished_.load(std::memory_order_acquire)) {
        finishedSignal_.Wait(timeoutMs);
        if (!finished_.load(std::memory_order_acquire)) return false;
    }
    ReapNative();
    started_.store(false, std::memory_order_release);
    return true;
}

void Thread::Abandon() {
    started_.store(false, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
    finishedSignal_.Renew();
}

bool Thread::CurrentIsWorker() { return t_isWorker; }

}  // namespace rdstmc::platform
