#include "receiver_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace rdstmc::emulator {
namespace {

// What a UART makes of a byte sent at another rate: some other byte.
char Garbled(char c) { return static_cast<char>((static_cast<unsigned char>(c) * 37u + 11u) ^ 0xA5u); }

// The termios code of a rate given in bits/s; cfsetspeed takes either.
bool SpeedCode(unsigned baud, speed_t& code) {
    termios t{};
    if (cfsetspeed(&t, static_cast<speed_t>(baud)) != 0) return false;
    code = cfgetospeed(&t);
    return true;
}

void MakeRaw(int fd) {
    termios t;
    if (tcgetattr(fd, &t) != 0) return;
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
}

}  // namespace

ReceiverEmulator::ReceiverEmulator() {
    char name[256];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    // The pair starts in cooked mode (echo, CR to LF, line editing); both
    // sides share one line discipline, which must pass bytes untouched.
    MakeRaw(master_);
    MakeRaw(slave_);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    devicePath_ = name;
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    capture_ = std::thread([this] { Capture(); });
}

ReceiverEmulator::~ReceiverEmulator() {
    Hangup();
    close(slave_);
    close(stopFd_);
}

void ReceiverEmulator::Hangup() {
    // The capture thread polls the master, so it ends before the master is
    // closed: a descriptor number must never be closed under a poll.
    if (capture_.joinable()) {
        uint64_t one = 1;
        if (write(stopFd_, &one, sizeof one) < 0) {
        }
        capture_.join();
    }
    std::lock_guard<std::mutex> guard(writeMutex_);
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
}

bool ReceiverEmulator::RunAtLineSpeed(unsigned baud) {
    speed_t code;
    if (baud != 0 && !SpeedCode(baud, code)) return false;
    lineSpeed_.store(baud);
    return true;
}

bool ReceiverEmulator::SpeedMismatch(int master) const {
    const unsigned baud = lineSpeed_.load();
    speed_t wanted;
    if (baud == 0 || !SpeedCode(baud, wanted)) return false;
    // The master reports the slave's settings: the speed the library chose.
    termios t;
    return tcgetattr(master, &t) == 0 && cfgetospeed(&t) != wanted;
}

bool ReceiverEmulator::Send(const std::string& text) {
    std::lock_guard<std::mutex> guard(writeMutex_);
    std::string garbled;
    if (master_ >= 0 && SpeedMismatch(master_)) {
        garbled = text;
        for (char& c : garbled) c = Garbled(c);
    }
    const std::string& bytes = garbled.empty() ? text : garbled;
    size_t done = 0;
    while (done < bytes.size()) {
        if (master_ < 0) return false;
        const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && errno == EAGAIN) {
            pollfd p = {master_, POLLOUT, 0};
            poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

bool ReceiverEmulator::WaitUntilRead(std::chrono::milliseconds timeout) const {
    // The slave side's input queue, which this side shares with the library's
    // descriptor, is empty once the library has read it all.
    const auto deadline = Clock::now() + timeout;
    int emptyChecks = 0;
    while (Clock::now() < deadline) {
        int pending = 0;
        if (ioctl(slave_, FIONREAD, &pending) != 0) return false;
        emptyChecks = pending == 0 ? emptyChecks + 1 : 0;
        if (emptyChecks == 3) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

bool ReceiverEmulator::SendInPieces(const std::string& bytes, const std::vector<size_t>& cuts,
                                    std::chrono::milliseconds pause) {
    size_t from = 0;
    for (size_t cut : cuts) {
        if (cut <= from || cut >= bytes.size()) continue;
        if (!Send(bytes.substr(from, cut - from))) return false;
        std::this_thread::sleep_for(pause);
        from = cut;
    }
    return Send(bytes.substr(from));
}

std::vector<ReceivedLine> ReceiverEmulator::Received() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return lines_;
}

bool ReceiverEmulator::WaitForLines(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock<std::mutex> lock(mutex_);
    return arrived_.wait_for(lock, timeout, [&] { return lines_.size() >= count; });
}

void ReceiverEmulator::ClearReceived() {
    std::lock_guard<std::mutex> guard(mutex_);
    lines_.clear();
}

void ReceiverEmulator::OnCommand(std::function<void(const std::string&)> handler) {
    std::lock_guard<std::mutex> guard(mutex_);
    handler_ = std::move(handler);
}

void ReceiverEmulator::KeepReceived(bool keep) {
    std::lock_guard<std::mutex> guard(mutex_);
    keep_ = keep;
}

void ReceiverEmulator::Capture() {
    // Hangup closes the master only after this thread has ended.
    int fd;
    {
        std::lock_guard<std::mutex> guard(writeMutex_);
        fd = master_;
    }
    char buffer[512];
    for (;;) {
        pollfd p[2] = {{fd, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int r = poll(p, 2, 200);
        if (r < 0 && errno != EINTR) return;
        if (p[1].revents & POLLIN) return;
        if (r <= 0) continue;
        if (p[0].revents & POLLNVAL) return;
        if (!(p[0].revents & POLLIN)) {
            // No library on the slave side right now (it closed the port):
            // the pty reports a hang-up until the next open.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        const auto now = Clock::now();
        if (SpeedMismatch(fd)) {
            for (ssize_t i = 0; i < n; ++i) buffer[i] = Garbled(buffer[i]);
        }
        std::vector<std::string> complete;
        std::function<void(const std::string&)> handler;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            for (ssize_t i = 0; i < n; ++i) {
                partial_.push_back(buffer[i]);
                if (buffer[i] == '\n') {
                    if (keep_) lines_.push_back({partial_, now});
                    complete.push_back(partial_);
                    partial_.clear();
                }
            }
            handler = handler_;
        }
        arrived_.notify_all();
        if (handler) {
            for (const std::string& line : complete) handler(line);
        }
    }
}

}  // namespace rdstmc::emulator
