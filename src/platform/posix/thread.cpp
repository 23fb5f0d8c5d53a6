#include "platform/thread.h"

#include <pthread.h>

#include <cstring>

namespace rdstmc::platform {

static_assert(sizeof(pthread_t) <= 16, "Thread handle storage too small");

namespace {
thread_local bool t_isWorker = false;
}  // namespace

static pthread_t& Handle(unsigned char* storage) { return *reinterpret_cast<pthread_t*>(storage); }

Thread::Thread() { std::memset(handle_, 0, sizeof handle_); }

// A thread still running when its object dies would run on freed state; the
// library's Thread objects live for the whole process, so this never happens.
Thread::~Thread() = default;

struct ThreadEntry {
    static void* Run(void* raw);
};

void* ThreadEntry::Run(void* raw) {
    Thread* self = static_cast<Thread*>(raw);
    t_isWorker = true;
    pthread_setname_np(pthread_self(), self->name_);
    self->body_(self->arg_);
    self->finished_.store(true, std::memory_order_release);
    self->finishedSignal_.Set();
    return nullptr;
}

bool Thread::Start(void (*body)(void*), void* arg, const char* name) {
    if (started_.load(std::memory_order_acquire)) return false;
    body_ = body;
    arg_ = arg;
    std::strncpy(name_, name ? name : "", sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    finished_.store(false, std::memory_order_relaxed);
    finishedSignal_.Reset();
    if (pthread_create(&Handle(handle_), nullptr, ThreadEntry::Run, this) != 0) return false;
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
    pthread_join(Handle(handle_), nullptr);
    started_.store(false, std::memory_order_release);
    return true;
}

void Thread::Abandon() {
    started_.store(false, std::memory_order_release);
    finished_.store(true, std::memory_order_release);
    finishedSignal_.Renew();
}

bool Thread::IsCurrent() const {
    if (!started_.load(std::memory_order_acquire)) return false;
    return pthread_equal(pthread_self(), *reinterpret_cast<const pthread_t*>(handle_)) != 0;
}

}  // namespace rdstmc::platform

namespace rdstmc::platform {
bool Thread::CurrentIsWorker() { return t_isWorker; }
}  // namespace rdstmc::platform
