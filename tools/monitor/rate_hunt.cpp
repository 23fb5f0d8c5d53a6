#include "rate_hunt.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <rdstmc.h>

#include "all_listeners.h"

namespace rdstmc::monitor {
namespace {

using namespace std::chrono_literals;

// A module reports its frequency about once a second, so two seconds hear
// it even when the first report is lost to the switch of rate.
constexpr auto kListenTime = 2s;
constexpr auto kPollPeriod = 20ms;

// Notes whether anything at all was decoded from the module.
class Hearing : public ITmcFrequencyListener,
                public ITmcRdsListener,
                public ITmcStatusListener,
                public ITmcRawDataListener {
public:
    ~Hearing() override { tools::DisconnectAll(); }
    void OnFrequencyChanged(int, int, unsigned char) override { heard = true; }
    void OnRadioText(const unsigned short*) override { heard = true; }
    void OnRdsTime(const TmcRdsTime&) override { heard = true; }
    void OnStationName(int, const unsigned short*) override { heard = true; }
    void OnAlternativeFrequencies(const int*) override { heard = true; }
    void OnStatusChanged(const TmcStatus& s) override {
        if (s == TmcStatusRdsOnly || s == TmcStatusTmc) heard = true;
    }
    void OnRawData(const unsigned int&, const unsigned int&) override { heard = true; }

    std::atomic<bool> heard{false};
};

}  // namespace

const std::vector<unsigned>& HuntedRates() {
    static const std::vector<unsigned> kRates = {38400, 9600, 19200, 57600, 115200, 4800, 230400};
    return kRates;
}

HuntResult HuntRate(const std::string& port, const std::function<void(unsigned)>& trying) {
    Hearing hearing;
    tools::ConnectAll(&hearing);
    for (unsigned baud : HuntedRates()) {
        hearing.heard = false;
        if (!TmcOpen(port.c_str(), baud)) return {HuntOutcome::kUnusable, 0};
        trying(baud);
        const auto deadline = std::chrono::steady_clock::now() + kListenTime;
        while (!hearing.heard && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(kPollPeriod);
        TmcClose();
        // The workers report "stopped" shortly after; let that pass here,
        // not in the caller's listeners.
        const auto settled = std::chrono::steady_clock::now() + kListenTime;
        while (TmcGetStatus() != TmcStatusStopped && std::chrono::steady_clock::now() < settled) {
            std::this_thread::sleep_for(kPollPeriod);
        }
        if (hearing.heard) return {HuntOutcome::kFound, baud};
    }
    return {HuntOutcome::kSilent, 0};
}

}  // namespace rdstmc::monitor
