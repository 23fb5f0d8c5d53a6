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

}  // namespace rdstmc::platform
