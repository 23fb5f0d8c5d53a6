#include "tcp.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace rdstmc::tools {

TcpConnection::~TcpConnection() { Close(); }

bool TcpConnection::Connect(const std::string& host, unsigned port, std::chrono::milliseconds timeout,
                            std::string& error) {
    Close();
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (lookup != 0) {
        error = host + ": " + gai_strerror(lookup);
        return false;
    }
    error = host + ":" + std::to_string(port) + ": no address to connect to";
    for (addrinfo* a = found; a != nullptr && handle_ == kNone; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        if (fd < 0) continue;
        int ready = connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 1 : 0;
        if (!ready && errno == EINPROGRESS) {
            pollfd p = {fd, POLLOUT, 0};
            int failure = 0;
            socklen_t size = sizeof failure;
            ready = poll(&p, 1, static_cast<int>(timeout.count())) == 1 &&
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &failure, &size) == 0 && failure == 0;
            if (!ready) errno = failure != 0 ? failure : ETIMEDOUT;
        }
        if (!ready) {
            error = host + ":" + std::to_string(port) + ": " + std::strerror(errno);
            close(fd);
            continue;
        }
        // Commands are a few bytes each: send them at once.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        handle_ = fd;
    }
    freeaddrinfo(found);
    return handle_ != kNone;
}

long TcpConnection::Read(char* buffer, size_t capacity, std::chrono::milliseconds timeout) {
    if (handle_ == kNone) return -1;
    pollfd p = {static_cast<int>(handle_), POLLIN, 0};
    const int r = poll(&p, 1, static_cast<int>(timeout.count()));
    if (r == 0 || (r < 0 && errno == EINTR)) return 0;
    if (r < 0) return -1;
    const ssize_t n = recv(static_cast<int>(handle_), buffer, capacity, 0);
    if (n > 0) return static_cast<long>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    return -1;
}

bool TcpConnection::Write(const char* data, size_t length) {
    while (length > 0 && handle_ != kNone) {
        const ssize_t n = send(static_cast<int>(handle_), data, length, MSG_NOSIGNAL);
        if (n > 0) {
            data += n;
            length -= static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p = {static_cast<int>(handle_), POLLOUT, 0};
            constexpr int kSendWaitMs = 500;
            if (poll(&p, 1, kSendWaitMs) <= 0) return false;
        } else {
            return false;
        }
    }
    return length == 0;
}

void TcpConnection::Shutdown() {
    if (handle_ != kNone) shutdown(static_cast<int>(handle_), SHUT_RDWR);
}

void TcpConnection::Close() {
    if (handle_ == kNone) return;
    close(static_cast<int>(handle_));
    handle_ = kNone;
}

}  // namespace rdstmc::tools
