#include "platform/wakeup.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/clock.h"

namespace rdstmc::platform {

// An eventfd counter: non-zero means set. It is pollable, so serial reads and
// event waits can include it beside their own descriptors.
Wakeup::Wakeup() : handle_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

Wakeup::~Wakeup() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
}

void Wakeup::Renew() {
    if (handle_ >= 0) close(static_cast<int>(handle_));
    handle_ = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

void Wakeup::Set() {
    if (handle_ < 0) return;
    uint64_t one = 1;
    while (write(static_cast<int>(handle_), &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void Wakeup::Reset() {
    if (handle_ < 0) return;
    uint64_t value;
    while (read(static_cast<int>(handle_), &value, sizeof value) < 0 && errno == EINTR) {
    }
}

bool Wakeup::Wait(unsigned timeoutMs) const {
    if (handle_ < 0) {
        SleepMs(timeoutMs);
        return false;
    }
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        pollfd p = {static_cast<int>(handle_), POLLIN, 0};
        const uint64_t now = MonotonicMs();
        const int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const int r = poll(&p, 1, left);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) {
            SleepMs(static_cast<unsigned>(left));
            return false;
        }
    }
}

int Wakeup::WaitAny(const Wakeup* const* wakeups, int count, unsigned timeoutMs) {
    constexpr int kMaxWakeups = 8;
    pollfd p[kMaxWakeups];
    int usable = 0;
    for (int i = 0; i < count && i < kMaxWakeups; ++i) {
        p[i] = {static_cast<int>(wakeups[i]->handle_), POLLIN, 0};
        if (wakeups[i]->handle_ >= 0) ++usable;
    }
    if (usable == 0) {
        SleepMs(timeoutMs);
        return -1;
    }
    const int n = count < kMaxWakeups ? count : kMaxWakeups;
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        const uint64_t now = MonotonicMs();
        const int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        // Negative descriptors (objects the OS refused) are skipped by poll.
        const int r = poll(p, static_cast<nfds_t>(n), left);
        if (r > 0) {
            for (int i = 0; i < n; ++i) {
                if (p[i].revents & POLLIN) return i;
            }
        }
        if (r == 0) return -1;
        if (r < 0 && errno != EINTR) {
            SleepMs(static_cast<unsigned>(left));
            return -1;
        }
    }
}

}  // namespace rdstmc::platform
