#include "platform/thread.h"

#include <process.h>
#include <windows.h>

#include <atomic>

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

// A worker runs this module's code, and may still be running, or about to
// end, when the host unloads the library. Pinned at the first start, the
// module stays mapped until the process ends, as the POSIX build does by its
// linker flag; FreeLibrary then only drops the host's reference.
void PinThisModule() {
    static std::atomic<bool> pinned{false};
    if (pinned.exchange(true)) return;
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN | GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                       reinterpret_cast<LPCWSTR>(&PinThisModule), &self);
}

}  // namespace

struct ThreadEntry {
    static unsigned __stdcall Run(void* raw) {
        static_cast<Thread*>(raw)->RunBody();
        return 0;
    }
};

bool Thread::CreateNative() {
    PinThisModule();
    // _beginthreadex rather than CreateThread: the body uses the C runtime.
    // Started suspended, so the handle and id are stored before it runs.
    unsigned id = 0;
    const uintptr_t h = _beginthreadex(nullptr, 0, ThreadEntry::Run, this, CREATE_SUSPENDED, &id);
    if (h == 0) return false;
    Of(handle_) = {reinterpret_cast<HANDLE>(h), id};
    ResumeThread(reinterpret_cast<HANDLE>(h));
    return true;
}

void Thread::ReapNative() {
    WaitForSingleObject(Of(handle_).handle, INFINITE);
    CloseHandle(Of(handle_).handle);
}

bool Thread::IsCurrent() const {
    if (!started_.load(std::memory_order_acquire)) return false;
    return Of(handle_).id == GetCurrentThreadId();
}

}  // namespace rdstmc::platform
