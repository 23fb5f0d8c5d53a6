#include "tcp_bridge.h"

#include <chrono>

#include <rdstmc.h>
#include <rdstmc_ext.h>

namespace rdstmc::monitor {
namespace {

using namespace std::chrono_literals;

constexpr auto kConnectTimeout = 3s;
// Between attempts to reach a bridge that went away.
constexpr auto kRetryPause = 2s;
// How often the reader looks for a stop while nothing arrives.
constexpr auto kReadSlice = 200ms;
constexpr size_t kReadBlock = 4096;

}  // namespace

TcpBridge::~TcpBridge() { Stop(); }

bool TcpBridge::Start(const std::string& host, unsigned port, std::string& error) {
    host_ = host;
    port_ = port;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (!connection_.Connect(host, port, kConnectTimeout, error)) return false;
    }
    note_("connected to " + host + ":" + std::to_string(port));
    // The start-up sentences go out through the bridge just connected.
    if (!TmcOpenFeed(&TcpBridge::Write, this)) {
        error = "the library refused to take the bridge's bytes (is a port open or a replay running?)";
        return false;
    }
    opened_ = true;
    thread_ = std::thread([this] { Run(); });
    return true;
}

bool TcpBridge::Write(void* context, const char* bytes, unsigned length) {
    TcpBridge* self = static_cast<TcpBridge*>(context);
    std::lock_guard<std::mutex> guard(self->mutex_);
    return self->connection_.Write(bytes, length);
}

void TcpBridge::Run() {
    char block[kReadBlock];
    while (!stop_.load()) {
        const long n = connection_.Read(block, sizeof block, kReadSlice);
        if (n > 0) {
            TmcFeed(block, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) continue;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            connection_.Close();
        }
        if (stop_.load()) break;
        note_("the bridge " + host_ + ":" + std::to_string(port_) + " closed the connection; trying again");
        std::string error;
        for (;;) {
            // Waits in slices, so a stop is not held up by the pause.
            for (auto waited = 0ms; waited < kRetryPause && !stop_.load(); waited += kReadSlice) {
                std::this_thread::sleep_for(kReadSlice);
            }
            if (stop_.load()) return;
            std::lock_guard<std::mutex> guard(mutex_);
            if (connection_.Connect(host_, port_, kConnectTimeout, error)) break;
        }
        note_("connected to " + host_ + ":" + std::to_string(port_) + " again");
    }
}

void TcpBridge::Stop() {
    stop_.store(true);
    {
        std::lock_guard<std::mutex> guard(mutex_);
        connection_.Shutdown();
    }
    if (thread_.joinable()) thread_.join();
    if (opened_.exchange(false)) TmcClose();
    connection_.Close();
}

}  // namespace rdstmc::monitor
