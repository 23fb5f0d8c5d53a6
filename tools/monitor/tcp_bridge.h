// A receiver reached through a network serial bridge: the monitor connects,
// hands the library what arrives (TmcOpenFeed, TmcFeed) and sends the
// library's commands back; when the bridge goes away it says so, waits and
// connects again.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tcp.h"

namespace rdstmc::monitor {

class TcpBridge {
public:
    // `note` tells the user what the bridge does (connected, lost, trying again).
    explicit TcpBridge(std::function<void(const std::string&)> note) : note_(std::move(note)) {}
    ~TcpBridge();
    TcpBridge(const TcpBridge&) = delete;
    TcpBridge& operator=(const TcpBridge&) = delete;

    // Connects once, then opens the library's feed and starts reading;
    // false, with a reason, when the bridge cannot be reached at all.
    bool Start(const std::string& host, unsigned port, std::string& error);
    // Ends the connection and closes the library's feed.
    void Stop();

private:
    static bool Write(void* context, const char* bytes, unsigned length);
    void Run();

    std::function<void(const std::string&)> note_;
    std::string host_;
    unsigned port_ = 0;
    std::mutex mutex_;  // the connection, between the reader and the command writer
    tools::TcpConnection connection_;
    std::atomic<bool> stop_{false}, opened_{false};
    std::thread thread_;
};

}  // namespace rdstmc::monitor
