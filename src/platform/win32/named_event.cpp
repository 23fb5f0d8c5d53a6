#include "platform/named_event.h"

#include <windows.h>

#include <cstring>
#include <new>
#include <string>

#include "platform/win32/wide_path.h"

namespace rdstmc::platform {

struct NamedEvent {
    HANDLE handle;
};

namespace {

char g_prefix[128] = "";

std::string FullName(const char* name) { return std::string(g_prefix) + name; }

}  // namespace

// A Win32 named auto-reset event, in the session's namespace as a plain
// CreateEventW name is: any process of the session can open it by name.
NamedEvent* NamedEventOpen(const char* name) {
    wchar_t wide[kWideNameCapacity];
    if (!WidenName(FullName(name).c_str(), wide, kWideNameCapacity)) return nullptr;
    const HANDLE h = CreateEventW(nullptr, FALSE, FALSE, wide);
    if (h == nullptr) return nullptr;
    NamedEvent* e = new (std::nothrow) NamedEvent{h};
    if (e == nullptr) CloseHandle(h);
    return e;
}

void NamedEventSet(NamedEvent* event) {
    if (event != nullptr) SetEvent(event->handle);
}

EventWaitResult NamedEventWaitEither(NamedEvent* first, NamedEvent* second, const Wakeup& wake, unsigned timeoutMs) {
    if (first == nullptr || second == nullptr) return EventWaitResult::Failed;
    // The wake-up first: it wins whatever the events say, and, being manual
    // reset, is not consumed. Of the two events the first is reported (and
    // reset) when both are set, leaving the second set.
    HANDLE handles[3];
    DWORD count = 0;
    const bool hasWake = wake.NativeHandle() >= 0;
    if (hasWake) handles[count++] = reinterpret_cast<HANDLE>(wake.NativeHandle());
    handles[count++] = first->handle;
    handles[count++] = second->handle;
    const DWORD r = WaitForMultipleObjects(count, handles, FALSE, timeoutMs);
    if (r == WAIT_TIMEOUT) return EventWaitResult::TimedOut;
    if (r < WAIT_OBJECT_0 || r >= WAIT_OBJECT_0 + count) return EventWaitResult::Failed;
    const DWORD index = r - WAIT_OBJECT_0 - (hasWake ? 1 : 0);
    if (hasWake && r == WAIT_OBJECT_0) return EventWaitResult::Woken;
    return index == 0 ? EventWaitResult::First : EventWaitResult::Second;
}

void NamedEventClose(NamedEvent* event) {
    if (event == nullptr) return;
    CloseHandle(event->handle);
    delete event;
}

// The tests' seam (declared in tests/support/seams.h): private event names,
// and removing them afterwards.
void SetNamedEventPrefixForTesting(const char* prefix);
void NamedEventRemove(const char* name);

void SetNamedEventPrefixForTesting(const char* prefix) {
    std::strncpy(g_prefix, prefix ? prefix : "", sizeof g_prefix - 1);
}

// A Windows event goes away with its last handle; there is nothing to remove.
void NamedEventRemove(const char*) {}

}  // namespace rdstmc::platform
