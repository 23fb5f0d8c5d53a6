#include "platform/wakeup.h"

#include <windows.h>

namespace rdstmc::platform {
namespace {
HANDLE Handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
intptr_t NewEvent() {
    const HANDLE h = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // manual reset, clear
    return h == nullptr ? -1 : reinterpret_cast<intptr_t>(h);
}
}  // namespace

Wakeup::Wakeup() : handle_(NewEvent()) {}

Wakeup::~Wakeup() {
    if (handle_ >= 0) CloseHandle(Handle(handle_));
}

void Wakeup::Renew() {
    if (handle_ >= 0) CloseHandle(Handle(handle_));
    handle_ = NewEvent();
}

void Wakeup::Set() {
    if (handle_ >= 0) SetEvent(Handle(handle_));
}

void Wakeup::Reset() {
    if (handle_ >= 0) ResetEvent(Handle(handle_));
}

bool Wakeup::Wait(unsigned timeoutMs) const {
    if (handle_ < 0) {
        Sleep(timeoutMs);
        return false;
    }
    return WaitForSingleObject(Handle(handle_), timeoutMs) == WAIT_OBJECT_0;
}

int Wakeup::WaitAny(const Wakeup* const* wakeups, int count, unsigned timeoutMs) {
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    int index[MAXIMUM_WAIT_OBJECTS];
    DWORD n = 0;
    for (int i = 0; i < count && n < MAXIMUM_WAIT_OBJECTS; ++i) {
        if (wakeups[i]->handle_ < 0) continue;
        index[n] = i;
        handles[n++] = Handle(wakeups[i]->handle_);
    }
    if (n == 0) {
        Sleep(timeoutMs);
        return -1;
    }
    // Of several set objects the wait reports the lowest, as asked.
    const DWORD r = WaitForMultipleObjects(n, handles, FALSE, timeoutMs);
    if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + n) return index[r - WAIT_OBJECT_0];
    if (r == WAIT_FAILED) Sleep(timeoutMs);
    return -1;
}

}  // namespace rdstmc::platform
