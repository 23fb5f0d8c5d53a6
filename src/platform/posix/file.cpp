#include "platform/file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/clock.h"
#include "platform/posix/open_failure_errno.h"
#include "platform/posix/syscalls.h"

namespace rdstmc::platform {
namespace {

// A lock can outlive the close of its descriptor by a moment: whoever looks
// at this process's open files (lsof, a listing of /proc/<pid>/fd) holds each
// file while it looks, and the lock goes only with the last holder. Retried
// briefly, such a look never costs a logged record; a real holder is given up
// on once this much time has passed.
constexpr uint64_t kBusyRetryMs = 10;
constexpr unsigned kBusyRetryPauseMs = 1;

File OpenLocked(const char* path, int flags, OpenFailure* why = nullptr) {
    File f;
    OpenFailure ignored;
    OpenFailure& failure = why ? *why : ignored;
    failure = OpenFailure::kNotFound;
    if (path == nullptr) return f;
    const SystemCalls& sys = Sys();
    const int fd = sys.open(path, flags | O_CLOEXEC, 0666);
    if (fd < 0) {
        failure = OpenFailureFromErrno(errno);
        return f;
    }
    const uint64_t giveUpAt = MonotonicMs() + kBusyRetryMs;
    while (sys.flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK || MonotonicMs() >= giveUpAt) {
            failure = OpenFailureFromErrno(errno);
            sys.close(fd);
            return f;
        }
        SleepMs(kBusyRetryPauseMs);
    }
    f.handle = fd;
    failure = OpenFailure::kNone;
    return f;
}

}  // namespace

File FileOpenAppend(const char* path) { return OpenLocked(path, O_WRONLY | O_CREAT | O_APPEND); }

File FileOpenExisting(const char* path, OpenFailure* why) { return OpenLocked(path, O_RDWR, why); }

File FileOpenRead(const char* path) {
    File f;
    if (path == nullptr) return f;
    const int fd = Sys().open(path, O_RDONLY | O_CLOEXEC, 0);
    if (fd >= 0) f.handle = fd;
    return f;
}

bool FileReplace(const char* path, const void* data, size_t length) {
    if (path == nullptr) return false;
    char beside[4096];
    if (std::snprintf(beside, sizeof beside, "%s.new-%ld", path, static_cast<long>(getpid())) >=
        static_cast<int>(sizeof beside)) {
        return false;
    }
    const int fd = Sys().open(beside, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    File f;
    f.handle = fd;
    // On disk before the rename, so a crash leaves the old file or the new.
    const bool written = FileWrite(f, data, length) && fsync(fd) == 0;
    FileClose(f);
    if (!written || rename(beside, path) != 0) {
        unlink(beside);
        return false;
    }
    return true;
}

long FileRead(File file, void* buffer, size_t capacity) {
    if (!file.IsOpen()) return -1;
    for (;;) {
        const ssize_t n = Sys().read(static_cast<int>(file.handle), buffer, capacity);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) return -1;
    }
}

bool FileWrite(File file, const void* data, size_t length) {
    if (!file.IsOpen()) return false;
    const char* p = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t n = Sys().write(static_cast<int>(file.handle), p, length);
        if (n > 0) {
            p += n;
            length -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

void FileClose(File& file) {
    if (!file.IsOpen()) return;
    Sys().close(static_cast<int>(file.handle));
    file.handle = -1;
}

}  // namespace rdstmc::platform
