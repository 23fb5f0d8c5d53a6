#include "platform/serial.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>

#include "platform/clock.h"
#include "platform/posix/open_failure_errno.h"
#include "platform/posix/syscalls.h"

namespace rdstmc::platform {

struct SerialDevice {
    int fd = -1;
    int interruptFd = -1;  // eventfd; readable once SerialInterrupt ran
};

namespace {

struct RateEntry {
    unsigned bitsPerSecond;
    speed_t code;
};

const RateEntry kRates[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},       {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600},   {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
    {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool RateCode(unsigned baud, speed_t* code) {
    for (const RateEntry& r : kRates) {
        if (r.bitsPerSecond == baud) {
            *code = r.code;
            return true;
        }
    }
    return false;
}

// Raw 8N1: every byte passes unchanged in both directions. IXON in particular
// would swallow 0x11/0x13, and ICRNL would turn the sentences' CR into LF.
void MakeRaw(termios& t, speed_t speed) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    t.c_cflag |= CS8 | CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
}

// Pause after poll reported a descriptor ready that the call then refused.
constexpr int kSpuriousReadyPauseMs = 10;

int Remaining(uint64_t deadline) {
    const uint64_t now = MonotonicMs();
    return now >= deadline ? 0 : static_cast<int>(deadline - now);
}

// A serial port is a character device; pipes and sockets carry a module's
// bytes as well. Anything else (a log file typed where the port belongs) is
// refused before a byte is read or written, so it stays as it was.
bool CarriesAStream(int fd) {
    struct stat st;
    if (Sys().fstat(fd, &st) != 0) return false;
    return S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode);
}

// The errors with which a device that has been removed answers a read.
bool RemovalError(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

bool Interrupted(const SerialDevice* d) {
    pollfd p = {d->interruptFd, POLLIN, 0};
    return poll(&p, 1, 0) > 0;
}

}  // namespace

SerialDevice* SerialOpen(const char* path, unsigned baud, OpenFailure* why) {
    OpenFailure ignored;
    OpenFailure& failure = why ? *why : ignored;
    speed_t speed;
    if (path == nullptr) return failure = OpenFailure::kNotFound, nullptr;
    if (!RateCode(baud, &speed)) return failure = OpenFailure::kBadRate, nullptr;
    const SystemCalls& sys = Sys();
    const int fd = sys.open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) return failure = OpenFailureFromErrno(errno), nullptr;
    auto refuse = [&](OpenFailure reason) -> SerialDevice* {
        sys.close(fd);
        failure = reason;
        return nullptr;
    };
    if (!CarriesAStream(fd)) return refuse(OpenFailure::kNotADevice);
    // TIOCEXCL keeps other openers out (except root); flock also covers root
    // and other programs that honour it. Another holder means "in use".
    if (sys.flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(OpenFailure::kInUse);
    termios t;
    if (sys.tcgetattr(fd, &t) == 0) {
        sys.ioctl(fd, TIOCEXCL);
        MakeRaw(t, speed);
        // A rate the kernel knows but the adapter's driver refuses.
        if (sys.tcsetattr(fd, TCSANOW, &t) != 0) {
            return refuse(errno == EINVAL ? OpenFailure::kBadRate : OpenFailureFromErrno(errno));
        }
    }
    const int interruptFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (interruptFd < 0) return refuse(OpenFailure::kOther);
    SerialDevice* d = new (std::nothrow) SerialDevice;
    if (d == nullptr) {
        close(interruptFd);
        return refuse(OpenFailure::kOther);
    }
    d->fd = fd;
    d->interruptFd = interruptFd;
    failure = OpenFailure::kNone;
    return d;
}

long SerialRead(SerialDevice* d, void* buffer, size_t capacity, unsigned timeoutMs) {
    if (d == nullptr) return -1;
    if (capacity == 0) return 0;
    const SystemCalls& sys = Sys();
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    for (;;) {
        pollfd p[2] = {{d->fd, POLLIN, 0}, {d->interruptFd, POLLIN, 0}};
        const int r = sys.poll(p, 2, Remaining(deadline));
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (p[1].revents & POLLIN) return 0;
        if (r == 0) return 0;
        if (p[0].revents & POLLNVAL) return -1;
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = sys.read(d->fd, buffer, capacity);
            if (n > 0) return static_cast<long>(n);
            if (n == 0) return kSerialGone;  // end of file after poll: the far end is gone
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                if (p[0].revents & (POLLHUP | POLLERR)) return kSerialGone;
                // Ready by poll yet nothing to read: a driver that keeps
                // saying so would be spun on, so wait a moment (or for a
                // stop) before asking again.
                pollfd stop = {d->interruptFd, POLLIN, 0};
                sys.poll(&stop, 1, std::min(Remaining(deadline), kSpuriousReadyPauseMs));
                if (Remaining(deadline) == 0) return 0;
                continue;
            }
            return RemovalError(errno) ? kSerialGone : -1;
        }
        if (Remaining(deadline) == 0) return 0;
    }
}

bool SerialWrite(SerialDevice* d, const void* data, size_t length, unsigned timeoutMs) {
    if (d == nullptr) return false;
    const SystemCalls& sys = Sys();
    const char* p = static_cast<const char*>(data);
    const uint64_t deadline = MonotonicMs() + timeoutMs;
    bool saidWritable = false;
    while (length > 0) {
        if (Interrupted(d)) return false;
        const ssize_t n = sys.write(d->fd, p, length);
        if (n > 0) {
            p += n;
            length -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
        // The device is not taking bytes now: wait for room, a stop, or the deadline.
        const int left = Remaining(deadline);
        if (left == 0) return false;
        if (saidWritable) {
            // Writable by poll, yet refused: wait a moment rather than spin
            // on a driver that keeps saying so.
            pollfd stop = {d->interruptFd, POLLIN, 0};
            sys.poll(&stop, 1, std::min(left, kSpuriousReadyPauseMs));
        }
        pollfd w[2] = {{d->fd, POLLOUT, 0}, {d->interruptFd, POLLIN, 0}};
        const int r = sys.poll(w, 2, Remaining(deadline));
        if (r < 0 && errno != EINTR) return false;
        if (r > 0 && (w[1].revents & POLLIN)) return false;
        if (r > 0 && (w[0].revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
        saidWritable = r > 0 && (w[0].revents & POLLOUT);
    }
    return true;
}

void SerialInterrupt(SerialDevice* d) {
    if (d == nullptr) return;
    uint64_t one = 1;
    while (write(d->interruptFd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void SerialClose(SerialDevice* d) {
    if (d == nullptr) return;
    if (d->fd >= 0) {
        // Exclusive mode stays on a terminal that another process keeps
        // open; clear it so the next opener is not refused.
        Sys().ioctl(d->fd, TIOCNXCL);
        Sys().close(d->fd);
    }
    if (d->interruptFd >= 0) close(d->interruptFd);
    delete d;
}

void SerialAbandon(SerialDevice* d) {
    if (d == nullptr) return;
    // Closing the copies only drops this process's references: the lock and
    // the open file stay the parent's.
    if (d->fd >= 0) Sys().close(d->fd);
    if (d->interruptFd >= 0) close(d->interruptFd);
    d->fd = -1;
    d->interruptFd = -1;
}

}  // namespace rdstmc::platform
