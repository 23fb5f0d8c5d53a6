// rdstmc-emulator: a receiver module on a pseudo-terminal, for trying the
// live path without hardware. It plays a recording in the library's log
// format at its recorded pace and answers the tuner commands.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "receiver_emulator.h"
#include "recording.h"
#include "system.h"
#include "tcp_relay.h"
#include "tool_support.h"

namespace {

using namespace rdstmc::emulator;
using namespace std::chrono_literals;

// Stations of the built-in band plan that seeking visits, in 10 kHz units.
const int kStations[] = {8930, 9170, 9690, 10120, 10460};
// Quality reported on a station and between stations.
constexpr int kStationQuality = 48, kNoiseQuality = 15;

const char kUsage[] =
    "Usage: rdstmc-emulator [--recording FILE | --idle] [--loop] [--link PATH] [--tcp [ADDR:]PORT] [--baud N]\n"
    "A receiver module on a pseudo-terminal. Prints the device to open, e.g.\n"
    "  rdstmc-monitor --port /dev/pts/N\n"
    "\n"
    "  --recording FILE  play FILE (the library's log format) at its recorded pace;\n"
    "                    the bundled recording by default. Playing starts with the\n"
    "                    first command from the library (TmcOpen sends two).\n"
    "  --idle            play nothing; report the tuned frequency once a second\n"
    "  --loop            start the recording again at its end\n"
    "  --link PATH       also make PATH a symbolic link to the device\n"
    "  --tcp [ADDR:]PORT also serve the module on a TCP port, as a network serial\n"
    "                    bridge does (127.0.0.1 unless ADDR is given; 0: a free port)\n"
    "  --baud N          run the module at N bits/s: while the port is set to another\n"
    "                    speed, everything either way arrives garbled\n"
    "  --help            show this text\n"
    "\n"
    "Tuner: \"$PLTCM,H2,<f>\" is answered with a \"$PLTTQ\" for that frequency;\n"
    "\"$PLTCM,+\" and \"$PLTCM,-\" move to the next or previous built-in station\n"
    "(89.3 91.7 96.9 101.2 104.6 MHz) and report it. The recording's own\n"
    "sentences play on as recorded. Every command received is shown. Ctrl-C quits.\n";

std::mutex printLock;

void Say(const std::string& line) {
    std::lock_guard<std::mutex> guard(printLock);
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

// The line from its last '$' (a module resynchronises there after noise),
// without its line end.
std::string Trimmed(const std::string& line) {
    const size_t dollar = line.rfind('$');
    std::string s = dollar == std::string::npos ? line : line.substr(dollar);
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r')) s.pop_back();
    return s;
}

class Tuner {
public:
    explicit Tuner(int initial) : frequency_(initial) {}

    // The sentence that answers `command`, or "" when it has no answer.
    std::string Answer(const std::string& command) {
        const std::string body = command.substr(0, command.find('*'));
        int f = frequency_.load();
        if (body.rfind("$PLTCM,H2,", 0) == 0) {
            f = std::atoi(body.c_str() + 10);
        } else if (body == "$PLTCM,+") {
            const int* next = std::upper_bound(std::begin(kStations), std::end(kStations), f);
            f = next == std::end(kStations) ? kStations[0] : *next;
        } else if (body == "$PLTCM,-") {
            const int* at = std::lower_bound(std::begin(kStations), std::end(kStations), f);
            f = at == std::begin(kStations) ? *(std::end(kStations) - 1) : *(at - 1);
        } else {
            return "";
        }
        frequency_.store(f);
        return Report();
    }

    std::string Report() const {
        const int f = frequency_.load();
        const bool station = std::find(std::begin(kStations), std::end(kStations), f) != std::end(kStations);
        return TuningSentence(f, station ? kStationQuality : kNoiseQuality);
    }

private:
    std::atomic<int> frequency_;
};

// Sleeps until `until` unless a stop request comes first; false if one came.
bool SleepUntil(Clock::time_point until) {
    for (;;) {
        const auto left = until - Clock::now();
        if (left <= Clock::duration::zero()) return true;
        const auto ms = std::min<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(left).count() + 1, 500);
        if (rdstmc::tools::WaitForStopRequest(std::chrono::milliseconds(ms))) return false;
    }
}

struct Arguments {
    std::string recordingPath = rdstmc::tools::BundledRecording();
    std::string link;
    bool idle = false, loop = false;
    unsigned long baud = 0;
    std::string tcpAddress = "127.0.0.1";
    long tcpPort = -1;  // -1: no TCP port
};

// False, having said why, for arguments it does not take; `exit` is then the
// status to end with (0 after --help).
bool ParseArguments(int argc, char** argv, Arguments& a, int& exit) {
    exit = 2;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            exit = 0;
            return false;
        } else if (arg == "--idle") {
            a.idle = true;
        } else if (arg == "--loop") {
            a.loop = true;
        } else if (arg == "--baud" && hasValue) {
            if (!rdstmc::tools::ParseUnsigned(argv[++i], a.baud) || a.baud == 0) {
                std::fprintf(stderr, "rdstmc-emulator: --baud needs a line speed such as 9600\n");
                return false;
            }
        } else if (arg == "--tcp" && hasValue) {
            std::string where = argv[++i];
            const size_t colon = where.rfind(':');
            if (colon != std::string::npos) a.tcpAddress = where.substr(0, colon), where = where.substr(colon + 1);
            unsigned long port = 0;
            if (!rdstmc::tools::ParseUnsigned(where, port) || port > 65535) {
                std::fprintf(stderr, "rdstmc-emulator: --tcp needs a port number (0 for any free one)\n");
                return false;
            }
            a.tcpPort = static_cast<long>(port);
        } else if ((arg == "--recording" || arg == "--link") && hasValue) {
            (arg == "--link" ? a.link : a.recordingPath) = argv[++i];
        } else {
            std::fprintf(stderr, "rdstmc-emulator: bad argument %s\nTry 'rdstmc-emulator --help'.\n", arg.c_str());
            return false;
        }
    }
    return true;
}

// Makes `link` a symbolic link to `device`; false, having said why.
bool MakeLink(const std::string& link, const std::string& device) {
    struct stat st;
    if (lstat(link.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        std::fprintf(stderr, "rdstmc-emulator: %s exists and is not a symbolic link\n", link.c_str());
        return false;
    }
    unlink(link.c_str());
    if (symlink(device.c_str(), link.c_str()) != 0) {
        std::fprintf(stderr, "rdstmc-emulator: cannot link %s: %s\n", link.c_str(), std::strerror(errno));
        return false;
    }
    Say("link: " + link + " -> " + device);
    return true;
}

// Reports the tuned frequency once a second, once the library is there.
void PlayIdle(ReceiverEmulator& receiver, Tuner& tuner, const std::atomic<bool>& opened) {
    Say("idle: reporting the tuned frequency once a second");
    bool running = true;
    for (auto next = Clock::now(); running; next += 1s) {
        running = SleepUntil(next);
        if (running && opened.load()) receiver.Send(tuner.Report());
    }
}

// Plays the recording at its pace once the library is there, then goes on
// answering the tuner until stopped.
void PlayRecording(ReceiverEmulator& receiver, const Arguments& a, const std::vector<RecordedSentence>& recording,
                   const std::atomic<bool>& opened) {
    Say("waiting for the library to open " + receiver.DevicePath());
    bool running = true;
    while (running && !opened.load()) running = SleepUntil(Clock::now() + 50ms);
    while (running) {
        Say("playing " + a.recordingPath + " (" + std::to_string(recording.size()) + " sentences)");
        auto at = Clock::now();
        for (size_t i = 0; running && i < recording.size(); ++i) {
            if (i > 0) at += PlaybackGap(recording[i - 1].stamp, recording[i].stamp);
            running = SleepUntil(at) && receiver.Send(recording[i].sentence);
        }
        if (!a.loop) break;
    }
    if (running) Say("end of recording; still answering the tuner (Ctrl-C quits)");
    while (running) running = SleepUntil(Clock::now() + 1s);
}

int InitialFrequency(const std::vector<RecordedSentence>& recording) {
    for (const RecordedSentence& r : recording) {
        if (r.sentence.rfind("$PLTTQ,", 0) == 0) return std::atoi(r.sentence.c_str() + 7);
    }
    return 8750;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments a;
    int exit = 0;
    if (!ParseArguments(argc, argv, a, exit)) return exit;
    std::vector<RecordedSentence> recording;
    std::string error;
    if (!a.idle && !ReadRecording(a.recordingPath, recording, error)) {
        std::fprintf(stderr, "rdstmc-emulator: %s: %s\n", a.recordingPath.c_str(), error.c_str());
        return 1;
    }
    if (!a.idle && recording.empty()) {
        std::fprintf(stderr, "rdstmc-emulator: %s: no records in the library's log format\n", a.recordingPath.c_str());
        return 1;
    }

    // Stop requests are taken by this thread only, never by the emulator's.
    rdstmc::tools::CatchStopRequests();
    ReceiverEmulator receiver;
    receiver.KeepReceived(false);
    if (!receiver.RunAtLineSpeed(static_cast<unsigned>(a.baud))) {
        std::fprintf(stderr, "rdstmc-emulator: --baud %lu: not a standard line speed\n", a.baud);
        return 2;
    }
    Say("device: " + receiver.DevicePath());
    if (!a.link.empty() && !MakeLink(a.link, receiver.DevicePath())) return 1;
    Tuner tuner(InitialFrequency(recording));
    std::atomic<bool> opened{false};
    TcpRelay relay;
    if (a.tcpPort >= 0) {
        // A client of the bridge has the module's port: the recording plays.
        const auto connected = [&] {
            Say("tcp: a client connected");
            opened.store(true);
        };
        if (!relay.Start(receiver.DevicePath(), a.tcpAddress, static_cast<unsigned>(a.tcpPort), connected, error)) {
            std::fprintf(stderr, "rdstmc-emulator: --tcp %s\n", error.c_str());
            return 1;
        }
        Say("tcp: " + a.tcpAddress + ":" + std::to_string(relay.Port()));
    }
    receiver.OnCommand([&](const std::string& line) {
        Say("< " + Trimmed(line));
        opened.store(true);
        const std::string answer = tuner.Answer(Trimmed(line));
        if (!answer.empty() && receiver.Send(answer)) Say("> " + Trimmed(answer));
    });
    if (a.idle) {
        PlayIdle(receiver, tuner, opened);
    } else {
        PlayRecording(receiver, a, recording, opened);
    }
    relay.Stop();
    if (!a.link.empty()) unlink(a.link.c_str());
    return 0;
}
