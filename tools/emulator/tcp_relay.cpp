#include "tcp_relay.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace rdstmc::emulator {
namespace {

constexpr size_t kBlock = 4096;

// All of `length` bytes, or false.
bool WriteAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, data, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

TcpRelay::~TcpRelay() { Stop(); }

bool TcpRelay::Start(const std::string& device, const std::string& address, unsigned port,
                     std::function<void()> connected, std::string& error) {
    device_ = device;
    connected_ = std::move(connected);
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1) {
        error = address + ": not an IPv4 address";
        return false;
    }
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t size = sizeof where;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&where), sizeof where) != 0 ||
        listen(listener_, 1) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&where), &size) != 0) {
        error = address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    port_ = ntohs(where.sin_port);
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    thread_ = std::thread([this] { Serve(); });
    return true;
}

void TcpRelay::Serve() {
    while (!stop_.load()) {
        pollfd p[2] = {{listener_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(p, 2, -1) < 0 && errno != EINTR) return;
        if (p[1].revents) return;
        if (!(p[0].revents & POLLIN)) continue;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        Relay(client);
        close(client);
    }
}

void TcpRelay::Relay(int client) {
    // The relay takes the port's side of the pseudo-terminal, as a library
    // opening it would, for as long as the client stays.
    const int port = open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (port < 0) return;
    if (connected_) connected_();
    termios t;
    if (tcgetattr(port, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(port, TCSANOW, &t);
    }
    char block[kBlock];
    for (bool open = true; open && !stop_.load();) {
        pollfd p[3] = {{client, POLLIN, 0}, {port, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(p, 3, -1) < 0 && errno != EINTR) break;
        if (p[2].revents) break;
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(client, block, sizeof block);
            open = n > 0 && WriteAll(port, block, static_cast<size_t>(n));
        }
        if (open && (p[1].revents & POLLIN)) {
            const ssize_t n = read(port, block, sizeof block);
            open = n > 0 && WriteAll(client, block, static_cast<size_t>(n));
        }
    }
    close(port);
}

void TcpRelay::Stop() {
    stop_.store(true);
    if (stopFd_ >= 0) {
        const uint64_t one = 1;
        if (write(stopFd_, &one, sizeof one) < 0) {
        }
    }
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
    if (stopFd_ >= 0) close(stopFd_);
    listener_ = stopFd_ = -1;
}

}  // namespace rdstmc::emulator
