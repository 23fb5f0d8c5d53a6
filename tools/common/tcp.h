// A TCP connection to a network serial bridge (ser2net in raw mode, or the
// emulator's --tcp), for the tools. One implementation per system.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace rdstmc::tools {

class TcpConnection {
public:
    TcpConnection() = default;
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Connects to `host` (a name or an address) at `port`, waiting at most
    // `timeout`; false with a reason for a person.
    bool Connect(const std::string& host, unsigned port, std::chrono::milliseconds timeout, std::string& error);
    // Waits up to `timeout` for bytes: their count, 0 when none came, -1
    // when the peer closed the connection or it failed.
    long Read(char* buffer, size_t capacity, std::chrono::milliseconds timeout);
    // Sends all `length` bytes; false when the connection failed.
    bool Write(const char* data, size_t length);
    // Ends the connection; a Read in progress on another thread returns.
    void Shutdown();
    void Close();
    bool Open() const { return handle_ != kNone; }

private:
    static constexpr intptr_t kNone = -1;
    intptr_t handle_ = kNone;
};

// "tcp:HOST:PORT" split; false when `name` is not of that form.
bool ParseTcpName(const std::string& name, std::string& host, unsigned& port);

}  // namespace rdstmc::tools
