#include "support/fault_injection.h"

#include <poll.h>
#include <termios.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "platform/posix/syscalls.h"

namespace rdstmc::test {
namespace {

using platform::RealSystemCalls;

struct Plan {
    std::atomic<int> count{0};
    std::atomic<int> error{0};

    // True (with errno set) when this call is to fail.
    bool Fires() {
        int c = count.load();
        while (c != 0) {
            if (c < 0 || count.compare_exchange_weak(c, c - 1)) {
                errno = error.load();
                return true;
            }
        }
        return false;
    }
    void Set(int n, int e) {
        error.store(e);
        count.store(n);
    }
};

std::mutex pathMutex;
std::string targetPath;
// Every open descriptor of the target: the library may hold its device and,
// for a moment, a second one it opens while looking for the device anew.
constexpr int kMaxTargetFds = 4;
std::atomic<int> targetFds[kMaxTargetFds] = {-1, -1, -1, -1};
Plan reads, writes, polls, opens, lineSettings;
std::atomic<bool> hungUp{false};
std::atomic<size_t> writeLimit{0};
std::atomic<int> readCount{0}, pollCount{0}, writeCount{0};

bool IsTarget(int fd) {
    if (fd < 0) return false;
    for (const auto& t : targetFds) {
        if (t.load() == fd) return true;
    }
    return false;
}

void AddTarget(int fd) {
    for (auto& t : targetFds) {
        int empty = -1;
        if (t.compare_exchange_strong(empty, fd)) return;
    }
}

void RemoveTarget(int fd) {
    for (auto& t : targetFds) {
        int expected = fd;
        t.compare_exchange_strong(expected, -1);
    }
}

int Open(const char* path, int flags, unsigned mode) {
    bool target;
    {
        std::lock_guard<std::mutex> guard(pathMutex);
        target = !targetPath.empty() && std::strstr(path, targetPath.c_str()) != nullptr;
    }
    if (target && opens.Fires()) return -1;
    const int fd = RealSystemCalls().open(path, flags, mode);
    if (target && fd >= 0) AddTarget(fd);
    return fd;
}

int Close(int fd) {
    RemoveTarget(fd);
    return RealSystemCalls().close(fd);
}

ssize_t Read(int fd, void* buffer, size_t count) {
    if (IsTarget(fd)) {
        readCount.fetch_add(1);
        if (hungUp.load()) return 0;
        if (reads.Fires()) return -1;
    }
    return RealSystemCalls().read(fd, buffer, count);
}

ssize_t Write(int fd, const void* data, size_t count) {
    if (IsTarget(fd)) {
        writeCount.fetch_add(1);
        if (writes.Fires()) return -1;
        const size_t limit = writeLimit.load();
        if (limit != 0 && count > limit) count = limit;
    }
    return RealSystemCalls().write(fd, data, count);
}

int Poll(pollfd* fds, unsigned long count, int timeoutMs) {
    bool target = false;
    for (unsigned long i = 0; i < count; ++i) target = target || IsTarget(fds[i].fd);
    if (target) {
        pollCount.fetch_add(1);
        if (polls.Fires()) return -1;
        if (hungUp.load()) {
            // A hung-up terminal polls ready at once, with POLLHUP.
            for (unsigned long i = 0; i < count; ++i) fds[i].revents = IsTarget(fds[i].fd) ? POLLHUP : 0;
            return 1;
        }
    }
    return RealSystemCalls().poll(fds, count, timeoutMs);
}

int SetAttributes(int fd, int when, const termios* settings) {
    if (IsTarget(fd) && lineSettings.Fires()) return -1;
    return RealSystemCalls().tcsetattr(fd, when, settings);
}

}  // namespace

FaultInjector::FaultInjector(const std::string& pathPart) {
    {
        std::lock_guard<std::mutex> guard(pathMutex);
        targetPath = pathPart;
    }
    static const platform::SystemCalls injecting = [] {
        platform::SystemCalls table = RealSystemCalls();
        table.open = Open;
        table.close = Close;
        table.read = Read;
        table.write = Write;
        table.poll = Poll;
        table.tcsetattr = SetAttributes;
        return table;
    }();
    platform::SetSystemCalls(&injecting);
}

FaultInjector::~FaultInjector() { Clear(); }

void FaultInjector::FailReads(int count, int error) { reads.Set(count, error); }
void FaultInjector::FailWrites(int count, int error) { writes.Set(count, error); }
void FaultInjector::FailPolls(int count, int error) { polls.Set(count, error); }
void FaultInjector::FailOpens(int count, int error) { opens.Set(count, error); }
void FaultInjector::FailLineSettings(int count, int error) { lineSettings.Set(count, error); }
void FaultInjector::HangUp(bool on) { hungUp.store(on); }
void FaultInjector::LimitWrites(size_t bytes) { writeLimit.store(bytes); }

void FaultInjector::Clear() {
    reads.Set(0, 0);
    writes.Set(0, 0);
    polls.Set(0, 0);
    opens.Set(0, 0);
    lineSettings.Set(0, 0);
    hungUp.store(false);
    writeLimit.store(0);
}

int FaultInjector::Reads() const { return readCount.load(); }
int FaultInjector::Polls() const { return pollCount.load(); }
int FaultInjector::Writes() const { return writeCount.load(); }

void FaultInjector::ResetCounts() {
    readCount.store(0);
    pollCount.store(0);
    writeCount.store(0);
}

}  // namespace rdstmc::test
