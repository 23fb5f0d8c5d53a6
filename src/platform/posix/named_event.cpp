#include "platform/named_event.h"

#include <fcntl.h>
#include <mqueue.h>
#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "platform/clock.h"

namespace rdstmc::platform {

struct NamedEvent {
    mqd_t queue;
};

namespace {

char g_prefix[64] = "";

void QueueName(const char* name, char* out, size_t capacity) {
    std::snprintf(out, capacity, "/%s%s", g_prefix, name);
}

// Takes the event if it is set; false if it was not (or another waiter, in
// any process, took it first).
bool TryTake(NamedEvent* e) {
    char byte;
    for (;;) {
        if (mq_receive(e->queue, &byte, 1, nullptr) >= 0) return true;
        if (errno != EINTR) return false;
    }
}

}  // namespace

NamedEvent* NamedEventOpen(const char* name) {
    char queueName[128];
    QueueName(name, queueName, sizeof queueName);
    mq_attr attr = {};
    attr.mq_maxmsg = 1;
    attr.mq_msgsize = 1;
    const mqd_t q = mq_open(queueName, O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666, &attr);
    if (q == static_cast<mqd_t>(-1)) return nullptr;
    NamedEvent* e = new (std::nothrow) NamedEvent;
    if (e == nullptr) {
        mq_close(q);
        return nullptr;
    }
    e->queue = q;
    return e;
}

void NamedEventSet(NamedEvent* e) {
    if (e == nullptr) return;
    const char byte = 1;
    // EAGAIN: the queue is full, so the event is already set.
    while (mq_send(e->queue, &byte, 1, 0) != 0 && errno == EINTR) {
    }
}

EventWaitResult NamedEventWaitEither(NamedEvent* first, NamedEvent* second, const Wakeup& wake,
                                     unsigned timeoutMs) {
    if (first == nullptr || second == nullptr) return EventWaitResult::Failed;
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        // Linux message-queue descriptors are pollable beside the wake-up.
        pollfd p[3] = {{static_cast<int>(first->queue), POLLIN, 0},
                       {static_cast<int>(second->queue), POLLIN, 0},
                       {static_cast<int>(wake.NativeHandle()), POLLIN, 0}};
        const uint64_t now = MonotonicMs();
        const int left = now >= deadline ? 0 : static_cast<int>(deadline - now);
        const int r = poll(p, wake.NativeHandle() >= 0 ? 3 : 2, left);
        if (r < 0) {
            if (errno == EINTR) continue;
            return EventWaitResult::Failed;
        }
        if (r == 0) return EventWaitResult::TimedOut;
        if (p[2].revents & POLLIN) return EventWaitResult::Woken;
        if ((p[0].revents & POLLIN) && TryTake(first)) return EventWaitResult::First;
        if ((p[1].revents & POLLIN) && TryTake(second)) return EventWaitResult::Second;
        if ((p[0].revents | p[1].revents) & (POLLERR | POLLNVAL)) return EventWaitResult::Failed;
        // Another process took the signal between poll and receive: wait on.
    }
}

void NamedEventClose(NamedEvent* e) {
    if (e == nullptr) return;
    mq_close(e->queue);
    delete e;
}

// The tests' seam (declared in tests/support/seams.h): private event names,
// and removing them afterwards.
void SetNamedEventPrefixForTesting(const char* prefix);
void NamedEventRemove(const char* name);

void SetNamedEventPrefixForTesting(const char* prefix) {
    std::snprintf(g_prefix, sizeof g_prefix, "%s", prefix ? prefix : "");
}

void NamedEventRemove(const char* name) {
    char queueName[128];
    QueueName(name, queueName, sizeof queueName);
    mq_unlink(queueName);
}

}  // namespace rdstmc::platform
