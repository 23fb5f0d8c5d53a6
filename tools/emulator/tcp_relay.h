// The emulated module served on a TCP port, as a network serial bridge
// (ser2net in raw mode) serves a real one: a client's bytes go to the module,
// the module's bytes to the client. One client at a time; the next one is
// taken when it goes.
#pragma once
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace rdstmc::emulator {

class TcpRelay {
public:
    TcpRelay() = default;
    ~TcpRelay();
    TcpRelay(const TcpRelay&) = delete;
    TcpRelay& operator=(const TcpRelay&) = delete;

    // Listens on `address` (127.0.0.1 keeps it to this machine) at `port`
    // (0: any free one) and relays to the pseudo-terminal `device`; false
    // with a reason. `connected` is called when a client connects: the
    // module's port is in use from then on.
    bool Start(const std::string& device, const std::string& address, unsigned port, std::function<void()> connected,
               std::string& error);
    // The port listened on.
    unsigned Port() const { return port_; }
    void Stop();

private:
    void Serve();
    void Relay(int client);

    std::string device_;
    std::function<void()> connected_;
    int listener_ = -1;
    int stopFd_ = -1;
    unsigned port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace rdstmc::emulator
