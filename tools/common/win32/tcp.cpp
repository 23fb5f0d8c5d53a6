#include "tcp.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

namespace rdstmc::tools {
namespace {

// Winsock is started once for the process and left to its end.
bool StartWinsock() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

SOCKET Socket(intptr_t handle) { return static_cast<SOCKET>(handle); }

std::string LastError() { return "Windows socket error " + std::to_string(WSAGetLastError()); }

}  // namespace

TcpConnection::~TcpConnection() { Close(); }

bool TcpConnection::Connect(const std::string& host, unsigned port, std::chrono::milliseconds timeout,
                            std::string& error) {
    Close();
    if (!StartWinsock()) {
        error = "the network is not available (" + LastError() + ")";
        return false;
    }
    addrinfo hints = {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        error = host + ": no such host (" + LastError() + ")";
        return false;
    }
    error = host + ":" + std::to_string(port) + ": no address to connect to";
    for (addrinfo* a = found; a != nullptr && handle_ == kNone; a = a->ai_next) {
        const SOCKET s = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (s == INVALID_SOCKET) continue;
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        bool ready = connect(s, a->ai_addr, static_cast<int>(a->ai_addrlen)) == 0;
        if (!ready && WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(s, &writable);
            FD_SET(s, &failed);
            timeval tv = {static_cast<long>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000) * 1000};
            ready = select(0, nullptr, &writable, &failed, &tv) == 1 && FD_ISSET(s, &writable);
        }
        if (!ready) {
            error = host + ":" + std::to_string(port) + ": cannot connect (" + LastError() + ")";
            closesocket(s);
            continue;
        }
        nonBlocking = 0;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        const BOOL on = TRUE;
        setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
        handle_ = static_cast<intptr_t>(s);
    }
    freeaddrinfo(found);
    return handle_ != kNone;
}

long TcpConnection::Read(char* buffer, size_t capacity, std::chrono::milliseconds timeout) {
    if (handle_ == kNone) return -1;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Socket(handle_), &readable);
    timeval tv = {static_cast<long>(timeout.count() / 1000), static_cast<long>(timeout.count() % 1000) * 1000};
    const int r = select(0, &readable, nullptr, nullptr, &tv);
    if (r == 0) return 0;
    if (r < 0) return -1;
    const int n = recv(Socket(handle_), buffer, static_cast<int>(capacity), 0);
    return n > 0 ? n : -1;
}

bool TcpConnection::Write(const char* data, size_t length) {
    while (length > 0 && handle_ != kNone) {
        const int n = send(Socket(handle_), data, static_cast<int>(length), 0);
        if (n <= 0) return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return length == 0;
}

void TcpConnection::Shutdown() {
    if (handle_ != kNone) shutdown(Socket(handle_), SD_BOTH);
}

void TcpConnection::Close() {
    if (handle_ == kNone) return;
    closesocket(Socket(handle_));
    handle_ = kNone;
}

}  // namespace rdstmc::tools
