// The seam under the POSIX system calls the platform layer makes. Tests
// replace entries to inject EINTR, short writes, EIO, hang-ups and the like
// without real hardware faults; production code never touches the table.
#pragma once
#include <cstddef>
#include <sys/types.h>

struct pollfd;
struct stat;
struct termios;

namespace rdstmc::platform {

struct SystemCalls {
    int (*open)(const char* path, int flags, unsigned mode);
    int (*close)(int fd);
    ssize_t (*read)(int fd, void* buffer, size_t count);
    ssize_t (*write)(int fd, const void* data, size_t count);
    int (*poll)(pollfd* fds, unsigned long count, int timeoutMs);
    int (*tcgetattr)(int fd, termios* settings);
    int (*tcsetattr)(int fd, int when, const termios* settings);
    int (*ioctl)(int fd, unsigned long request);
    int (*flock)(int fd, int operation);
    int (*fstat)(int fd, struct stat* status);
};

// The table in use. A caller keeps the table it fetched for the whole of one
// operation; tables are never freed, so swapping while threads make calls is
// safe.
const SystemCalls& Sys();
// Installs `table` (which must live for the rest of the process); null puts
// the real calls back.
void SetSystemCalls(const SystemCalls* table);
// The real calls.
const SystemCalls& RealSystemCalls();

}  // namespace rdstmc::platform
