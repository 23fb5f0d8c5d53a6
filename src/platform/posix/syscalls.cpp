#include "platform/posix/syscalls.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace rdstmc::platform {
namespace {

int RealOpen(const char* path, int flags, unsigned mode) { return ::open(path, flags, mode); }
int RealIoctl(int fd, unsigned long request) { return ::ioctl(fd, request); }
int RealPoll(pollfd* fds, unsigned long count, int timeoutMs) {
    return ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
}

const SystemCalls kReal = {RealOpen,   ::close,     ::read,    ::write, RealPoll,
                           ::tcgetattr, ::tcsetattr, RealIoctl, ::flock};

}  // namespace

SystemCalls& Sys() {
    static SystemCalls table = kReal;
    return table;
}

const SystemCalls& RealSystemCalls() { return kReal; }

}  // namespace rdstmc::platform
