#include "platform/posix/syscalls.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>

namespace rdstmc::platform {
namespace {

int RealOpen(const char* path, int flags, unsigned mode) { return ::open(path, flags, mode); }
int RealIoctl(int fd, unsigned long request) { return ::ioctl(fd, request); }
int RealPoll(pollfd* fds, unsigned long count, int timeoutMs) {
    return ::poll(fds, static_cast<nfds_t>(count), timeoutMs);
}

const SystemCalls kReal = {RealOpen,   ::close,     ::read,    ::write,  RealPoll,
                           ::tcgetattr, ::tcsetattr, RealIoctl, ::flock, ::fstat};

// Constant-initialised, so it holds the real table before any constructor runs.
std::atomic<const SystemCalls*> g_table{&kReal};

}  // namespace

const SystemCalls& Sys() { return *g_table.load(std::memory_order_acquire); }

void SetSystemCalls(const SystemCalls* table) { g_table.store(table ? table : &kReal, std::memory_order_release); }

const SystemCalls& RealSystemCalls() { return kReal; }

}  // namespace rdstmc::platform
