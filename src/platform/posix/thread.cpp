#include "platform/thread.h"

#include <pthread.h>

namespace rdstmc::platform {

static_assert(sizeof(pthread_t) <= 16, "Thread handle storage too small");

static pthread_t& Handle(unsigned char* storage) { return *reinterpret_cast<pthread_t*>(storage); }

struct ThreadEntry {
    static void* Run(void* raw) {
        Thread* self = static_cast<Thread*>(raw);
        pthread_setname_np(pthread_self(), self->name_);
        self->RunBody();
        return nullptr;
    }
};

bool Thread::CreateNative() { return pthread_create(&Handle(handle_), nullptr, ThreadEntry::Run, this) == 0; }

void Thread::ReapNative() { pthread_join(Handle(handle_), nullptr); }

bool Thread::IsCurrent() const {
    if (!started_.load(std::memory_order_acquire)) return false;
    return pthread_equal(pthread_self(), *reinterpret_cast<const pthread_t*>(handle_)) != 0;
}

}  // namespace rdstmc::platform
