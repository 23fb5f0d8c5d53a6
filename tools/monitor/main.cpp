// rdstmc-monitor: shows, event by event, what the library reports from a
// receiver or a recording. Uses only the exported interface, as any client.
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

#include <rdstmc.h>
#include <rdstmc_tmc.h>

#include "all_listeners.h"
#include "fast_replay.h"
#include "options.h"
#include "ports.h"
#include "rate_hunt.h"
#include "replay_source.h"
#include "system.h"
#include "tool_support.h"
#include "view.h"

namespace rdstmc::monitor {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kFailed = 1, kBadArgument = 2;
// How often the main loop looks at the clock, the health figure and signals.
constexpr auto kPollPeriod = 100ms;
// The status worker reports "stopped" within about a second of the end.
constexpr auto kStoppedWait = 3s;
// A fast replay has ended once the library has read everything and its
// reader has handed no group on for this long.
constexpr auto kReaderSettle = 200ms;

// What the monitor knows to name TMC codes with, and how much it shows.
struct TrafficTables {
    const EventTable* events = nullptr;
    const LocationTable* locations = nullptr;
    bool raw = false;
};

class Listeners : public ITmcFrequencyListener,
                  public ITmcRdsListener,
                  public ITmcStatusListener,
                  public ITmcRawDataListener,
                  public ITmcDeviceListener {
public:
    Listeners(View& view, const TrafficTables& tables) : view_(view), tables_(tables) {}

    void OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) override {
        Touch();
        view_.Frequency(frequency, quality, tunerMode);
    }
    void OnRadioText(const unsigned short* text) override {
        Touch();
        view_.RadioText(text);
    }
    void OnRdsTime(const TmcRdsTime& time) override {
        Touch();
        view_.Time(time);
    }
    // The receiver repeats the name about once a second; show changes only.
    void OnStationName(int pi, const unsigned short* name) override {
        Touch();
        const std::string key = std::to_string(pi) + ":" + Utf8(name);
        if (key == lastStation_) return;
        lastStation_ = key;
        view_.Station(static_cast<unsigned>(pi), name);
    }
    void OnAlternativeFrequencies(const int* list) override {
        Touch();
        view_.AlternativeFrequencies(list);
    }
    void OnStatusChanged(const TmcStatus& status) override {
        view_.Status(status);
        if (status == TmcStatusStopped) stopped_.store(true);
    }
    // TMC groups are shown decoded; the blocks only with --raw, or when the
    // group is not one the decoder reads (a 3A group of another application).
    void OnRawData(const unsigned int& word0, const unsigned int& word1) override {
        Touch();
        const unsigned group = (word0 >> 11) & 0x1F;
        const unsigned aid = word1 & 0xFFFF;
        const bool decoded = group == kGroup4A || group == kGroup8A || (group == kGroup3A && (aid == 0xCD46 || aid == 0xCD47));
        if (tables_.raw || !decoded) view_.RawGroup(word0, word1);
        switch (decoder_.Feed(word0, word1)) {
            case TmcDecoder::Result::Message:
                view_.TrafficMessage(decoder_.Message(), tables_.events, tables_.locations);
                break;
            case TmcDecoder::Result::SystemInfo: view_.TrafficSystem(decoder_.SystemInfo()); break;
            case TmcDecoder::Result::TuningInfo: view_.TrafficTuning(decoder_.TuningInfo()); break;
            case TmcDecoder::Result::None: break;
        }
    }

    void OnDeviceChanged(bool present) override {
        view_.Device(present);
        if (present) cameBack_.store(true);
    }

    bool Stopped() const { return stopped_.load(); }
    // True once after the receiver came back from being disconnected.
    bool CameBack() { return cameBack_.exchange(false); }
    // True when no group has come for `quiet`: the reader has nothing left in hand.
    bool QuietFor(Clock::duration quiet) const {
        return Clock::now().time_since_epoch().count() - lastCall_.load() >= quiet.count();
    }

private:
    static constexpr unsigned kGroup3A = 6, kGroup4A = 8, kGroup8A = 16;

    void Touch() { lastCall_.store(Clock::now().time_since_epoch().count()); }

    View& view_;
    const TrafficTables& tables_;
    TmcDecoder decoder_;       // reader thread only
    std::atomic<Clock::rep> lastCall_{0};
    std::string lastStation_;  // reader thread only
    std::atomic<bool> stopped_{false};
    std::atomic<bool> cameBack_{false};
};

void Fail(const std::string& message) { std::fprintf(stderr, "rdstmc-monitor: %s\n", message.c_str()); }

std::string RateList() {
    std::string list;
    for (unsigned baud : HuntedRates()) list += (list.empty() ? "" : ", ") + std::to_string(baud);
    return list;
}

int Run(const Options& options) {
    // Before the library starts a thread, so a stop request never
    // interrupts a callback halfway through a line.
    tools::CatchStopRequests();

    const bool live = !options.port.empty();
    const std::string recording = options.replay.empty() ? tools::BundledRecording() : options.replay;
    ReplaySource source;
    if (!live) {
        source = PrepareReplay(recording);
        if (!source.error.empty()) {
            Fail(source.error);
            return kFailed;
        }
    }
    if (!options.log.empty()) {
        std::ofstream f(tools::PathOf(options.log), std::ios::binary | std::ios::app);
        if (!f) {
            Fail(options.log + ": cannot write the log (" + std::strerror(errno) + ")");
            return kFailed;
        }
    }

    EventTable events;
    LocationTable locations;
    TrafficTables tables;
    tables.raw = options.raw;
    std::string tableError;
    if (!options.events.empty()) {
        if (!events.Load(options.events, tableError)) {
            Fail(tableError);
            return kFailed;
        }
        tables.events = &events;
    }
    if (!options.locations.empty()) {
        if (!locations.Load(options.locations, tableError)) {
            Fail(tableError);
            return kFailed;
        }
        tables.locations = &locations;
    }

    View view(stdout, options.json);
    Listeners listeners(view, tables);
    FastReplay fast;
    ConnectAll(&listeners);
    int result = 0;

    if (!options.log.empty() && !TmcStartLogging(options.log.c_str())) {
        Fail(options.log + ": the library refused the log path");
        result = kFailed;
    } else if (live) {
        unsigned baud = options.baud;
        if (baud == 0) {
            // The hunt uses every listener slot; the view's come back after it.
            DisconnectAll();
            const HuntResult hunt =
                HuntRate(options.port, [&](unsigned rate) { view.Note("listening at " + std::to_string(rate) + " baud"); });
            ConnectAll(&listeners);
            if (hunt.outcome == HuntOutcome::kFound) {
                baud = hunt.baud;
                view.Note("found the receiver at " + std::to_string(baud) + " baud");
            } else if (hunt.outcome == HuntOutcome::kSilent) {
                Fail(options.port + ": no answer from a receiver at " + RateList() +
                     " baud. Is it powered, and its TX wired to the adapter's RX? Give --baud if it uses another rate.");
                result = kFailed;
            } else {
                Fail(ExplainPortFailure(options.port, HuntedRates().front()));
                result = kFailed;
            }
        }
        if (result == 0) {
            view.Note("opening " + options.port + " at " + std::to_string(baud) + " baud");
            if (!TmcOpen(options.port.c_str(), baud)) {
                Fail(ExplainPortFailure(options.port, baud));
                result = kFailed;
            }
        }
    } else {
        view.Note("playing " + recording);
        if (!source.note.empty()) view.Note(source.note);
        std::string error;
        if (options.speed >= 0) {
            if (!fast.Start(source.path, options.speed, error)) {
                Fail(error);
                result = kFailed;
            }
        } else if (!TmcStartSimulation(source.path.c_str())) {
            Fail(recording + ": the library could not play it");
            result = kFailed;
        }
    }

    if (result == 0) {
        if (options.tune && !TmcControlTuner(TmcTune, options.tuneUnits)) Fail("the tune command could not be sent");
        if (options.seek != 0 && !TmcControlTuner(options.seek > 0 ? TmcSeekUp : TmcSeekDown, 0))
            Fail("the seek command could not be sent");

        const auto start = Clock::now();
        const auto limit = std::chrono::duration<double>(options.duration);
        int health = -1;
        for (;;) {
            if (tools::WaitForStopRequest(kPollPeriod)) {
                view.Note("interrupted");
                break;
            }
            int h = 0;
            const bool available = TmcGetRdsHealth(h);
            const bool ended = options.speed >= 0 ? fast.Finished() && listeners.QuietFor(kReaderSettle) : !available;
            if (ended) {
                view.Note("end of recording");
                break;  // only a replay ends by itself
            }
            if (available && h != health) {
                health = h;
                view.Health(h);
            }
            // A receiver that lost power forgets its tuning: give it again.
            if (listeners.CameBack() && options.tune && !TmcControlTuner(TmcTune, options.tuneUnits)) {
                Fail("the tune command could not be sent");
            }
            if (options.duration > 0 && Clock::now() - start >= limit) {
                view.Note("duration reached");
                break;
            }
        }
        if (live) {
            TmcClose();
        } else if (options.speed >= 0) {
            fast.Stop();
        } else {
            TmcStopSimulation();
        }
        // Let the last status change be shown before leaving.
        const auto deadline = Clock::now() + kStoppedWait;
        while (!listeners.Stopped() && Clock::now() < deadline) std::this_thread::sleep_for(20ms);
    }
    if (!options.log.empty()) TmcStopLogging();
    DisconnectAll();
    std::error_code ignored;
    if (source.temporary) std::filesystem::remove(tools::PathOf(source.path), ignored);
    return result;
}

}  // namespace
}  // namespace rdstmc::monitor

int main(int argc, char** argv) {
    using namespace rdstmc::monitor;
    Options options;
    std::string error;
    if (!ParseOptions(rdstmc::tools::Utf8Arguments(argc, argv), options, error)) {
        std::fprintf(stderr, "rdstmc-monitor: %s\nTry 'rdstmc-monitor --help'.\n", error.c_str());
        return kBadArgument;
    }
    if (options.help) {
        std::fputs(Usage(), stdout);
        return 0;
    }
    if (options.listPorts) {
        ListPorts(stdout);
        return 0;
    }
    return Run(options);
}
