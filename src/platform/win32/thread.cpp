#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <cstring>

namespace rdstmc::platform {
namespace {

// The storage holds the thread's handle and its id.
struct Native {
    HANDLE handle;
    DWORD id;
};
static_assert(sizeof(Native) <= 16, "Thread handle storage too small");

Native& Of(unsigned char* storage) { return *reinterpret_cast<Native*>(storage); }
const Native& Of(const unsigned char* storage) { return *reinterpret_cast<const Native*>(storage); }

thread_local bool t_isWorker = false;

}  // namespace

struct ThreadEntry {
    static unsigned __stdcall Run(void* raw);
};

unsigned __stdcall ThreadEntry::Run(void* raw) {
    Thread* self = static_cast<Thread*>(raw);
    t_isWorker = true;
    self->body_(self->arg_);
    self->finished_.store(true, std::memory_order_release);
    self->finishedSignal_.Set();
    return 0;
}

Thread::Thread() { std::memset(handle_, 0, sizeof handle_); }

// The library's Thread objects live for the whole process, so no thread ever
// outlives its object.
Thread::~Thread() = default;

bool Thread::Start(void (*body)(void*), void* arg, const char* name) {
    if (started_.load(std::memory_order_acquire)) return false;
    body_ = body;
    arg_ = arg;
    std::strncpy(name_, name ? name : "", sizeof name_ - 1);
    name_[sizeof name_ - 1] = 0;
    finished_.store(false, std::memory_order_relaxed);
    finishedSignal_.Reset();
    // _beginthreadex rather than CreateThread: the body uses the C runtime.
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, ThreadEntry::Run, this, CREATE_SUSPENDED, &id);
    if (h == 0) return false;
    Of(handle_) = {reinterpret_cast<HANDLE>(h), id};
    started_.store(true, std::memory_order_release);
    ResumeThread(reinterpret_cast<HANDLE>(h));
    return true;
}

bool Thread::Join(unsigned timeoutMs) {
    if (!started_.load(std::memory_order_acquire)) return true;
    if (IsCurrent()) return false;
    if (!finished_.load(std::memory_order_acquire)) {
        finishedSignal_.Wait(timeoutMs);
        if (!finished_.load(std::memory_order_acquire)) return false;
    }
    WaitForSingleObject(Of(handle_).handle, INFINITE);
    CloseHandle(Of(handle_).handle);
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
    return Of(handle_).id == GetCurrentThreadId();
}

bool Thread::CurrentIsWorker() { return t_isWorker; }

}  // namespace rdstmc::platform
