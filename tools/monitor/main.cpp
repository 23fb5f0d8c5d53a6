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
#include <rdstmc_rds.h>
#include <rdstmc_tmc.h>

#include "all_listeners.h"
#include "fast_replay.h"
#include "options.h"
#include "ports.h"
#include "rate_hunt.h"
#include "replay_source.h"
#include "recording_clock.h"
#include "system.h"
#include "tcp.h"
#include "tcp_bridge.h"
#include "traffic.h"
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
// A fast replay's end is looked for this often: it may take less than a
// poll period all in all.
constexpr auto kFastPollPeriod = 2ms;

class Listeners : public ITmcFrequencyListener,
                  public ITmcRdsListener,
                  public ITmcStatusListener,
                  public ITmcRawDataListener,
                  public ITmcDeviceListener,
                  public ITmcGroupListener {
public:
    Listeners(View& view, Traffic& traffic) : view_(view), traffic_(traffic) {}

    void OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) override {
        view_.Frequency(frequency, quality, tunerMode);
    }
    void OnRadioText(const unsigned short* text) override {
        view_.RadioText(text);
    }
    void OnRdsTime(const TmcRdsTime& time) override {
        view_.Time(time);
    }
    // The receiver repeats the name about once a second; show changes only.
    void OnStationName(int pi, const unsigned short* name) override {
        const std::string key = std::to_string(pi) + ":" + Utf8(name);
        if (key == lastStation_) return;
        lastStation_ = key;
        view_.Station(static_cast<unsigned>(pi), name);
    }
    void OnAlternativeFrequencies(const int* list) override {
        view_.AlternativeFrequencies(list);
    }
    void OnStatusChanged(const TmcStatus& status) override {
        view_.Status(status);
        if (status == TmcStatusStopped) stopped_.store(true);
    }
    void OnRawData(const unsigned int& word0, const unsigned int& word1) override {
        traffic_.Group(word0, word1);
    }
    // Every group, for all of RDS beside the subset the listeners above report.
    void OnRdsGroup(const TmcRdsGroup& group) override {
        const uint32_t changes = rds_.Feed(group);
        if (changes) view_.Rds(changes, rds_.State());
        if (RdsGroupTypeOf(group.blocks[1]) == kRdsGroup1A) {
            traffic_.Group(static_cast<unsigned>(group.blocks[0]) << 16 | group.blocks[1],
                           static_cast<unsigned>(group.blocks[2]) << 16 | group.blocks[3]);
        }
    }
    void OnDeviceChanged(bool present) override {
        view_.Device(present);
        if (present) cameBack_.store(true);
    }

    bool Stopped() const { return stopped_.load(); }
    // True once after the receiver came back from being disconnected.
    bool CameBack() { return cameBack_.exchange(false); }

private:
    View& view_;
    Traffic& traffic_;
    std::string lastStation_;  // reader thread only
    RdsDecoder rds_;           // reader thread only
    std::atomic<bool> stopped_{false};
    std::atomic<bool> cameBack_{false};
};

void Fail(const std::string& message) { std::fprintf(stderr, "rdstmc-monitor: %s\n", message.c_str()); }

std::string RateList() {
    std::string list;
    for (unsigned baud : HuntedRates()) list += (list.empty() ? "" : ", ") + std::to_string(baud);
    return list;
}

// The event and location tables the user named; false, said why, when one
// cannot be used.
bool LoadTables(const Options& options, EventTable& events, LocationTable& locations, TrafficOptions& tables) {
    std::string error;
    if (!options.events.empty()) {
        if (!events.Load(options.events, error)) return Fail(error), false;
        tables.events = &events;
    }
    if (!options.locations.empty()) {
        if (!locations.Load(options.locations, error)) return Fail(error), false;
        tables.locations = &locations;
    }
    return true;
}

// One run of the monitor: what it reads from, what it shows, how it ends.
class Monitor {
public:
    Monitor(const Options& options, ReplaySource& source, const TrafficOptions& tables)
        : options_(options),
          source_(source),
          live_(!options.port.empty()),
          // An analysis at full speed into a file or pipe writes in large blocks.
          view_(stdout, options.json, options.speed < 0 || tools::StandardOutputIsTerminal()),
          clock_(live_ ? RecordingClock() : RecordingClock(source)),
          traffic_(view_, tables, clock_, [this](unsigned& tick) { return SentenceTick(tick); }),
          listeners_(view_, traffic_),
          bridge_([this](const std::string& note) { view_.Note(note); }) {}

    int Run() {
        std::string error;
        if (!traffic_.Restore(error)) return Fail(error), kFailed;
        tools::ConnectAll(&listeners_);
        int result = Start();
        if (result == 0) {
            SendTunerCommands();
            FollowUntilDone();
            Stop();
        }
        if (!options_.log.empty()) TmcStopLogging();
        tools::DisconnectAll();
        return result;
    }

private:
    bool Fast() const { return options_.speed >= 0; }

    bool SentenceTick(unsigned& tick) const { return Fast() ? fast_.SentenceTick(tick) : TmcGetSentenceTick(tick); }

    int Start() {
        if (!options_.log.empty() && !TmcStartLogging(options_.log.c_str())) {
            return Fail(options_.log + ": the library refused the log path"), kFailed;
        }
        std::string host;
        unsigned port = 0;
        if (tools::ParseTcpName(options_.port, host, port)) return StartBridge(host, port);
        return live_ ? StartPort() : StartRecording();
    }

    int StartBridge(const std::string& host, unsigned port) {
        std::string error;
        view_.Note("connecting to " + host + ":" + std::to_string(port));
        if (!bridge_.Start(host, port, error)) return Fail(error), kFailed;
        bridged_ = true;
        return 0;
    }

    int StartPort() {
        unsigned baud = options_.baud;
        if (baud == 0) {
            // The hunt uses every listener slot; the view's come back after it.
            tools::DisconnectAll();
            const HuntResult hunt = HuntRate(
                options_.port, [&](unsigned rate) { view_.Note("listening at " + std::to_string(rate) + " baud"); });
            tools::ConnectAll(&listeners_);
            if (hunt.outcome == HuntOutcome::kSilent) {
                Fail(options_.port + ": no answer from a receiver at " + RateList() +
                     " baud. Is it powered, and its TX wired to the adapter's RX? Give --baud if it uses another rate.");
                return kFailed;
            }
            if (hunt.outcome == HuntOutcome::kUnusable) {
                return Fail(ExplainPortFailure(options_.port, HuntedRates().front(), TmcGetLastError())), kFailed;
            }
            baud = hunt.baud;
            view_.Note("found the receiver at " + std::to_string(baud) + " baud");
        }
        if (!TmcOpen(options_.port.c_str(), baud)) {
            return Fail(ExplainPortFailure(options_.port, baud, TmcGetLastError())), kFailed;
        }
        view_.Note("opened " + options_.port + " at " + std::to_string(baud) + " baud");
        return 0;
    }

    int StartRecording() {
        const std::string recording = options_.replay.empty() ? tools::BundledRecording() : options_.replay;
        view_.Note("playing " + (recording == "-" ? std::string("standard input") : recording));
        if (!source_.note.empty()) view_.Note(source_.note);
        std::string error;
        if (Fast()) {
            if (!fast_.Start(source_, options_.speed, error)) return Fail(error), kFailed;
        } else if (!TmcStartSimulation(source_.path.c_str())) {
            const TmcError why = TmcGetLastError();
            return Fail(recording + (why == TmcErrorInUse ? ": in use by another program" : std::string(": ") + TmcErrorText(why))),
                   kFailed;
        }
        return 0;
    }

    void SendTunerCommands() {
        if (options_.tune && !TmcControlTuner(TmcTune, options_.tuneUnits)) Fail("the tune command could not be sent");
        if (options_.seek != 0 && !TmcControlTuner(options_.seek > 0 ? TmcSeekUp : TmcSeekDown, 0)) {
            Fail("the seek command could not be sent");
        }
    }

    // Shows what comes until the recording ends, the time is up or the user stops.
    void FollowUntilDone() {
        const auto start = Clock::now();
        const auto limit = std::chrono::duration<double>(options_.duration);
        int health = -1;
        for (;;) {
            const tools::Request request = tools::WaitForRequest(Fast() ? kFastPollPeriod : kPollPeriod);
            if (request == tools::Request::kStop) return view_.Note("interrupted");
            if (request == tools::Request::kReport) traffic_.ShowPicture();
            traffic_.Tick();
            int h = 0;
            const bool available = TmcGetRdsHealth(h);
            // Only a recording ends by itself.
            if (!live_ && (Fast() ? fast_.Finished() : !available)) {
                if (const convert::Conversion* c = fast_.Converted()) view_.Note(ConversionNote(*c));
                RunClockToTheEnd();
                return view_.Note("end of recording");
            }
            if (available && h != health) view_.Health(health = h);
            // A receiver that lost power forgets its tuning: give it again.
            if (listeners_.CameBack() && options_.tune && !TmcControlTuner(TmcTune, options_.tuneUnits)) {
                Fail("the tune command could not be sent");
            }
            if (options_.duration > 0 && Clock::now() - start >= limit) return view_.Note("duration reached");
        }
    }

    // The recording has played to its end: its own time has reached its last
    // stamp, whether or not that sentence made a listener call.
    void RunClockToTheEnd() {
        unsigned tick = 0;
        if (Fast() && fast_.SentenceTick(tick)) {
            clock_.At(tick);
            return;
        }
        int32_t stamp = 0, last = 0;
        std::string_view sentence;
        bool any = false;
        for (RecordStream records(source_); records.Next(stamp, sentence); any = true) last = stamp;
        if (any) clock_.At(static_cast<uint32_t>(last));
    }

    void Stop() {
        if (bridged_) {
            bridge_.Stop();
        } else if (live_) {
            TmcClose();
        } else if (Fast()) {
            fast_.Stop();
        } else {
            TmcStopSimulation();
        }
        // Let the last status change be shown before leaving.
        const auto deadline = Clock::now() + kStoppedWait;
        while (!listeners_.Stopped() && Clock::now() < deadline) std::this_thread::sleep_for(1ms);
        traffic_.ShowPicture();
    }

    const Options& options_;
    ReplaySource& source_;
    const bool live_;
    View view_;
    RecordingClock clock_;
    FastReplay fast_;
    Traffic traffic_;
    Listeners listeners_;
    TcpBridge bridge_;
    bool bridged_ = false;
};

int Run(const Options& options) {
    // Before the library starts a thread, so a stop request never
    // interrupts a callback halfway through a line.
    tools::CatchStopRequests();
    ReplaySource source;
    if (options.port.empty()) {
        source = PrepareReplay(options.replay.empty() ? tools::BundledRecording() : options.replay, options.speed < 0);
        if (!source.error.empty()) return Fail(source.error), kFailed;
    }
    if (!options.log.empty()) {
        std::ofstream log(tools::PathOf(options.log), std::ios::binary | std::ios::app);
        if (!log) return Fail(options.log + ": cannot write the log (" + std::strerror(errno) + ")"), kFailed;
    }
    EventTable events;
    LocationTable locations;
    TrafficOptions tables;
    tables.raw = options.raw;
    tables.allMessages = options.allMessages;
    tables.pictureFile = options.pictureFile;
    tables.geoJsonFile = options.geoJsonFile;
    if (!LoadTables(options, events, locations, tables)) return kFailed;
    const int result = Monitor(options, source, tables).Run();
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
