// Speed of the library, measured: the sentence path on a realistic mix,
// allocations per sentence, pty-to-listener latency, open and close times
// and idle wake-ups. The figures are in BENCHMARKS.md.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/seams.h"
#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "link/sentence.h"
#include "platform/named_event.h"
#include "rdstmc.h"
#include "rdstmc_ext.h"
#include "rdstmc_rds.h"
#include "rdstmc_tmc.h"
#include "receiver_emulator.h"
#include "recording.h"
#include "status/status_worker.h"
#include "support/allocation_counter.h"
#include "support/counting_listeners.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The bundled recording's sentences as one byte stream, as a receiver sends them.
const std::string& RecordedStream() {
    static const std::string stream = [] {
        std::vector<rdstmc::emulator::RecordedSentence> records;
        std::string error, out;
        if (!rdstmc::emulator::ReadRecording(RDSTMC_BUNDLED_RECORDING_PATH, records, error)) std::abort();
        for (const auto& r : records) out += r.sentence;
        return out;
    }();
    return stream;
}

void CountLine(void* count, const char*, size_t) { ++*static_cast<long*>(count); }

long SentencesIn(const std::string& stream) {
    std::string copy = stream;
    long count = 0;
    size_t carried = 0;
    rdstmc::SplitSentences(copy.data(), copy.data() + copy.size(), carried, CountLine, &count);
    return count;
}

// The stream through ProcessBuffer in reads of the receive buffer's size,
// carrying unfinished lines as the serial reader does.
void SentencePath(benchmark::State& state) {
    const std::string& stream = RecordedStream();
    const long sentences = SentencesIn(stream);
    rdstmc::test::CountingListeners listeners;
    if (state.range(0)) listeners.ConnectAll();
    char buffer[rdstmc::kReceiveBufferSize];
    long allocations = 0;
    for (auto _ : state) {
        size_t carried = 0;
        rdstmc::test::StartCountingAllocations();
        for (size_t at = 0; at < stream.size();) {
            const size_t n = std::min(stream.size() - at, sizeof buffer - carried);
            std::memcpy(buffer + carried, stream.data() + at, n);
            at += n;
            rdstmc::ProcessBuffer(rdstmc::State(), buffer, buffer + carried + n, carried, true);
        }
        allocations += rdstmc::test::StopCountingAllocations();
    }
    if (state.range(0)) listeners.DisconnectAll();
    state.SetItemsProcessed(state.iterations() * sentences);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(stream.size()));
    state.counters["allocs_per_sentence"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations() * sentences));
}
BENCHMARK(SentencePath)->Arg(0)->Arg(1)->ArgName("listeners");

// The TMC decoder on a station's mix of groups: system information, tuning
// information, single-group messages and two- to five-group messages, with
// a new message every few groups so no input is a repetition.
void TmcDecoderThroughput(benchmark::State& state) {
    struct Group {
        uint32_t word0, word1;
    };
    std::vector<Group> groups;
    const auto add = [&](unsigned b, unsigned c, unsigned d) { groups.push_back({0xD3C50000u | b, c << 16 | d}); };
    for (unsigned n = 0; n < 64; ++n) {
        add(0x3010, 12u << 6, 0xCD46);
        add(0x8014, 'T' << 8 | 'M', 'C' << 8 | '-');
        add(0x8009, 0x0800u | n, 12345 + n);           // single group
        add(0x8002, 0x9800u | n, 42156);                // two groups: event n, additional event 742
        add(0x8002, 0x495C, 0xC000);
        const unsigned ci = 1 + n % 6;                  // four groups: control codes and quantifiers
        add(0x8000 | ci, 0x8800u | n, 500 + n);
        add(0x8000 | ci, 0x6000u | 0x4D2, 0x3C0F);
        add(0x8000 | ci, 0x1000u | 0x0A5, 0x5A5A);
        add(0x8000 | ci, 0x0000u | 0x123, 0x4000);
    }
    rdstmc::TmcDecoder decoder;
    long messages = 0, allocations = 0;
    for (auto _ : state) {
        rdstmc::test::StartCountingAllocations();
        for (const Group& g : groups) messages += decoder.Feed(g.word0, g.word1) == rdstmc::TmcDecoder::Result::Message;
        allocations += rdstmc::test::StopCountingAllocations();
        decoder.Reset();
    }
    benchmark::DoNotOptimize(messages);
    state.SetItemsProcessed(state.iterations() * static_cast<long>(groups.size()));
    state.counters["allocs_per_group"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(state.iterations() * static_cast<long>(groups.size())));
    state.counters["messages_per_pass"] = benchmark::Counter(static_cast<double>(messages) / static_cast<double>(state.iterations()));
}
BENCHMARK(TmcDecoderThroughput);

// The full RDS decoder on a station's mix of every group kind it reads:
// name (0A) with method-A frequencies, radio text (2A) switching between
// two texts with the A/B flag every two rounds, 1A, 3A, 4A, 8A, 10A, RadioText+ (11A), EON
// (14A) and the long name (15A), in the proportions stations send them.
void RdsDecoderThroughput(benchmark::State& state) {
    struct Group {
        uint16_t b, c, d;
    };
    std::vector<Group> groups;
    const auto chars = [](const char* two) {
        return static_cast<uint16_t>(static_cast<unsigned char>(two[0]) << 8 | static_cast<unsigned char>(two[1]));
    };
    const auto b = [](unsigned type, unsigned low) { return static_cast<uint16_t>(type << 12 | 1u << 10 | 10u << 5 | low); };
    const uint16_t af[] = {0xE512, 0x1278, 0x8E12, 0xE312, 0x8EAB};
    const char* texts[] = {"Moby - Porcelain\r", "News and traffic every half hour, weather at ten past"};
    groups.push_back({b(3, 22), 0, 0x4BD7});
    groups.push_back({b(3, 16), 0x0640, 0xCD46});
    for (unsigned cycle = 0; cycle < 16; ++cycle) {
        const unsigned flag = cycle / 2 % 2;
        const char* text = texts[flag];
        const size_t length = std::strlen(text);
        for (unsigned s = 0; s < 16; ++s) {
            const unsigned segment = s % 4;
            groups.push_back({b(0, 1u << 3 | segment), af[(cycle * 16 + s) % 5], chars("RIVER FM" + 2 * segment)});
            char four[4] = {' ', ' ', ' ', ' '};
            for (unsigned i = 0; i < 4 && 4 * s + i < length; ++i) four[i] = text[4 * s + i];
            if (4 * s < length) groups.push_back({b(2, flag << 4 | s), chars(four), chars(four + 2)});
            if (s % 4 == 0) groups.push_back({b(8, 0x08), 0x0865, 0x3039});
            if (s % 8 == 1) groups.push_back({b(11, 1u << 3 | 4 >> 3), (4 & 7) << 13 | 0 << 7 | 3 << 1, 1 << 11 | 7 << 5 | 8});
            if (s % 8 == 2) groups.push_back({b(14, 1u << 4 | (s / 2) % 4), chars("OTHER FM" + 2 * ((s / 2) % 4)), 0xD301});
            if (s == 3) groups.push_back({b(1, 0), 0x00E0, 9 << 11 | 7 << 6 | 30});
            if (s % 8 == 5) groups.push_back({b(10, s / 8), chars(s < 8 ? "Fo" : "ot"), chars(s < 8 ? "ot" : "ba")});
            if (s == 7) groups.push_back({b(15, s % 8), chars("Ri"), chars("ve")});
        }
        groups.push_back({b(4, 0), static_cast<uint16_t>((61382 & 0x7FFF) << 1), static_cast<uint16_t>(cycle << 6)});
    }
    rdstmc::RdsDecoder decoder;
    long changes = 0, allocations = 0;
    for (auto _ : state) {
        rdstmc::test::StartCountingAllocations();
        for (const Group& g : groups) changes += decoder.Feed(0xD3C5, g.b, g.c, g.d) != 0;
        allocations += rdstmc::test::StopCountingAllocations();
    }
    benchmark::DoNotOptimize(changes);
    const long total = state.iterations() * static_cast<long>(groups.size());
    state.SetItemsProcessed(total);
    state.counters["allocs_per_group"] = benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(total));
    state.counters["changes_per_pass"] =
        benchmark::Counter(static_cast<double>(changes) / static_cast<double>(state.iterations()));
}
BENCHMARK(RdsDecoderThroughput);

// A national service's broadcast cycle, repeated as stations repeat it: 150
// messages of one, two and four groups, each group sent twice, through the
// decoder and the traffic picture. After the first cycle every message is a
// repetition that only renews its time.
void TmcDecoderAndPicture(benchmark::State& state) {
    struct Group {
        uint32_t word0, word1;
    };
    std::vector<Group> cycle;
    const auto add = [&](unsigned b, unsigned c, unsigned d) {
        for (int copy = 0; copy < 2; ++copy) cycle.push_back({0xA2010000u | b, c << 16 | d});
    };
    add(0x3010, 1u << 6, 0xCD46);
    for (unsigned n = 0; n < 150; ++n) {
        const unsigned event = 1 + (n * 37) % 1500, location = 1000 + n;
        if (n % 3 == 0) {
            const unsigned ci = 1 + n % 6;
            add(0x8000 | ci, 0x8000u | event, location);
            add(0x8000 | ci, 0x6000u | 0x4D2, 0x3C0F);
            add(0x8000 | ci, 0x1000u | 0x0A5, 0x5A5A);
            add(0x8000 | ci, 0x0000u | 0x123, 0x4000);
        } else {
            add(0x8008 | (n % 8), (n % 8) << 11 | event, location);
        }
    }
    rdstmc::TmcDecoder decoder;
    rdstmc::TrafficPicture picture;
    int64_t now = 1796713200;  // 2026-12-08 07:00 UTC
    long changes = 0, allocations = 0;
    const auto count = [&](rdstmc::TrafficPicture::Change, const rdstmc::TmcStoredMessage&) { ++changes; };
    for (const Group& g : cycle) {  // the first cycle fills the picture
        if (decoder.Feed(g.word0, g.word1) == rdstmc::TmcDecoder::Result::Message) picture.Apply(decoder.Message(), now, count);
    }
    for (auto _ : state) {
        ++now;
        rdstmc::test::StartCountingAllocations();
        for (const Group& g : cycle) {
            if (decoder.Feed(g.word0, g.word1) == rdstmc::TmcDecoder::Result::Message) {
                picture.Apply(decoder.Message(), now, count);
            }
        }
        allocations += rdstmc::test::StopCountingAllocations();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<long>(cycle.size()));
    state.counters["allocs_per_group"] = benchmark::Counter(
        static_cast<double>(allocations) / static_cast<double>(state.iterations() * static_cast<long>(cycle.size())));
    state.counters["stored"] = static_cast<double>(picture.Size());
}
BENCHMARK(TmcDecoderAndPicture);

// The bundled recording's stream handed to the library with TmcFeed in
// blocks of 4 KB, as a program reading a network bridge would.
void FeedThroughput(benchmark::State& state) {
    const std::string& stream = RecordedStream();
    const long sentences = SentencesIn(stream);
    constexpr size_t kBlock = 4096;
    if (!TmcOpenFeed(nullptr, nullptr)) {
        state.SkipWithError("the feed did not open");
        return;
    }
    for (auto _ : state) {
        for (size_t at = 0; at < stream.size(); at += kBlock) {
            TmcFeed(stream.data() + at, std::min(kBlock, stream.size() - at));
        }
    }
    TmcClose();
    state.SetItemsProcessed(state.iterations() * sentences);
    state.SetBytesProcessed(state.iterations() * static_cast<long>(stream.size()));
}
BENCHMARK(FeedThroughput);

// A country's location table, written here: 600 roads of 100 points each
// (60 000 locations), chained by offsets, every point with its own name and
// coordinates. Semicolons and coordinates in hundred-thousandths of a degree,
// or (`published`) tabs and decimal degrees, as Finland publishes its table.
std::string WriteCountryTable(bool published) {
    char pattern[] = "/tmp/rdstmc-bench-lcl-XXXXXX";
    const std::string dir = mkdtemp(pattern) ? pattern : "";
    std::string names = "CID;LID;NID;NAME;NCOMMENT;OFFICIALNAME\r\n";
    std::string roads = "CID;TABCD;LCD;CLASS;TCD;STCD;ROADNUMBER;RNID;N1ID;N2ID;POL_LCD;PES_LEV\r\n";
    std::string points = "CID;TABCD;LCD;CLASS;TCD;STCD;JUNCTIONNUMBER;RNID;N1ID;N2ID;POL_LCD;OTH_LCD;SEG_LCD;"
                         "ROA_LCD;XCOORD;YCOORD\r\n";
    std::string offsets = "CID;TABCD;LCD;NEG_OFF_LCD;POS_OFF_LCD\r\n";
    constexpr int kRoads = 600, kPointsPerRoad = 100;
    for (int r = 0; r < kRoads; ++r) {
        const int road = 60000 + r;
        roads += "58;1;" + std::to_string(road) + ";L;1;1;A" + std::to_string(r) + ";;" +
                 std::to_string(r * kPointsPerRoad + 1) + ";" + std::to_string(r * kPointsPerRoad + kPointsPerRoad) + ";;\r\n";
        for (int p = 0; p < kPointsPerRoad; ++p) {
            const int lcd = r * kPointsPerRoad + p + 1;
            names += "58;1;" + std::to_string(lcd) + ";Ort " + std::to_string(lcd) + ";;\r\n";
            const std::string x = std::to_string(600000 + lcd), y = std::to_string(5100000 + lcd);
            points += "58;1;" + std::to_string(lcd) + ";P;1;3;" + std::to_string(p) + ";;" + std::to_string(lcd) +
                      ";;;;;" + std::to_string(road) + ";" +
                      (published ? x.substr(0, 1) + "." + x.substr(1) + ";" + y.substr(0, 2) + "." + y.substr(2)
                                 : "+00" + x + ";+0" + y) +
                      "\r\n";
            offsets += "58;1;" + std::to_string(lcd) + ";" + (p > 0 ? std::to_string(lcd - 1) : "") + ";" +
                       (p + 1 < kPointsPerRoad ? std::to_string(lcd + 1) : "") + "\r\n";
        }
    }
    const auto write = [&](const char* name, std::string text) {
        if (published) std::replace(text.begin(), text.end(), ';', '\t');
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    };
    write("README.DAT", "character set UTF-8\r\n");
    write("NAMES.DAT", names);
    write("ROADS.DAT", roads);
    write("POINTS.DAT", points);
    write("POFFSETS.DAT", offsets);
    return dir;
}

const std::string& CountryTable() {
    static const std::string directory = WriteCountryTable(false);
    return directory;
}

const std::string& PublishedCountryTable() {
    static const std::string directory = WriteCountryTable(true);
    return directory;
}

// Arg 0: semicolons and integer coordinates; 1: tabs and decimal degrees.
void LocationTableLoad(benchmark::State& state) {
    const std::string& dir = state.range(0) ? PublishedCountryTable() : CountryTable();
    size_t size = 0;
    for (auto _ : state) {
        rdstmc::LocationTable table;
        std::string error;
        if (!table.Load(dir, error)) state.SkipWithError(error.c_str());
        size = table.Size();
    }
    state.counters["locations"] = static_cast<double>(size);
}
BENCHMARK(LocationTableLoad)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// A message's words and its stretch over 5 locations, at locations spread
// over the whole table.
void LocationLookup(benchmark::State& state) {
    rdstmc::LocationTable table;
    std::string error;
    if (!table.Load(CountryTable(), error)) state.SkipWithError(error.c_str());
    rdstmc::TmcMessage m{};
    m.pi = 0xD201;
    m.ltn = 1;
    m.eventCount = 1;
    m.extent = 5;
    rdstmc::TmcStretch stretch;
    unsigned at = 0;
    for (auto _ : state) {
        m.location = static_cast<uint16_t>(1 + (at += 7919) % 59000);
        benchmark::DoNotOptimize(table.Describe(m.pi, m.ltn, m.location));
        benchmark::DoNotOptimize(table.Stretch(m, stretch));
    }
}
BENCHMARK(LocationLookup);

double Percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<size_t>(p * static_cast<double>(v.size())))];
}

// From the emulator's write of a sentence's last byte (its write call has
// returned) to the frequency listener's call on the reader thread.
struct Stamping : ITmcFrequencyListener {
    void OnFrequencyChanged(int, int, unsigned char) override {
        heard.store(Clock::now().time_since_epoch().count(), std::memory_order_release);
    }
    std::atomic<Clock::rep> heard{0};
};

void PtyToListenerLatency(benchmark::State& state) {
    rdstmc::emulator::ReceiverEmulator receiver;
    Stamping listener;
    Connect(&listener);
    if (!TmcOpen(receiver.DevicePath().c_str(), 230400)) {
        state.SkipWithError("open failed");
        return;
    }
    std::vector<double> micros;
    int frequency = 8750;
    for (auto _ : state) {
        frequency = frequency >= 10790 ? 8750 : frequency + 10;
        const std::string sentence = rdstmc::emulator::TuningSentence(frequency, 40);
        listener.heard.store(0);
        receiver.Send(sentence);
        const auto sent = Clock::now();
        Clock::rep heard;
        while ((heard = listener.heard.load(std::memory_order_acquire)) == 0) std::this_thread::yield();
        micros.push_back(std::chrono::duration<double, std::micro>(Clock::duration(heard) - sent.time_since_epoch()).count());
    }
    TmcClose();
    Disconnect(&listener);
    state.counters["median_us"] = Percentile(micros, 0.5);
    state.counters["p99_us"] = Percentile(micros, 0.99);
    state.counters["max_us"] = Percentile(micros, 1.0);
}
BENCHMARK(PtyToListenerLatency)->Iterations(2000)->UseRealTime();

struct StoppedWatch : ITmcStatusListener {
    void OnStatusChanged(const TmcStatus& s) override {
        if (s == TmcStatusStopped) stoppedAt.store(Clock::now().time_since_epoch().count());
    }
    std::atomic<Clock::rep> stoppedAt{0};
};

// TmcOpen on a module that sends nothing: two start-up sentences, paced.
void OpenSilentModule(benchmark::State& state) {
    rdstmc::emulator::ReceiverEmulator receiver;
    StoppedWatch watch;
    Connect(&watch);
    for (auto _ : state) {
        if (!TmcOpen(receiver.DevicePath().c_str(), 230400)) state.SkipWithError("open failed");
        state.PauseTiming();
        watch.stoppedAt.store(0);
        TmcClose();
        while (watch.stoppedAt.load() == 0) std::this_thread::sleep_for(1ms);
        state.ResumeTiming();
    }
    Disconnect(&watch);
}
BENCHMARK(OpenSilentModule)->Iterations(10)->Unit(benchmark::kMillisecond)->UseRealTime();

// TmcClose until the status listener hears TmcStatusStopped.
void CloseToStopped(benchmark::State& state) {
    rdstmc::emulator::ReceiverEmulator receiver;
    StoppedWatch watch;
    Connect(&watch);
    std::vector<double> micros;
    for (auto _ : state) {
        state.PauseTiming();
        if (!TmcOpen(receiver.DevicePath().c_str(), 230400)) state.SkipWithError("open failed");
        watch.stoppedAt.store(0);
        state.ResumeTiming();
        const auto closed = Clock::now();
        TmcClose();
        while (watch.stoppedAt.load() == 0) std::this_thread::yield();
        micros.push_back(
            std::chrono::duration<double, std::micro>(Clock::duration(watch.stoppedAt.load()) - closed.time_since_epoch())
                .count());
    }
    Disconnect(&watch);
    state.counters["median_us"] = Percentile(micros, 0.5);
    state.counters["max_us"] = Percentile(micros, 1.0);
}
BENCHMARK(CloseToStopped)->Iterations(10)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Voluntary context switches of the library's own threads (named
// "rdstmc-..."): each is a wake-up.
long LibraryWakeUps() {
    long total = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* e = dir ? readdir(dir) : nullptr) {
        if (e->d_name[0] == '.') continue;
        std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
        std::string name;
        std::getline(comm, name);
        if (name.rfind("rdstmc-", 0) != 0) continue;
        std::ifstream status(std::string("/proc/self/task/") + e->d_name + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) total += std::atol(line.c_str() + 24);
        }
    }
    if (dir) closedir(dir);
    return total;
}

// An open port with no data: how often the library's threads wake, counted
// by the kernel.
void IdleWakeUps(benchmark::State& state) {
    rdstmc::emulator::ReceiverEmulator receiver;
    if (!TmcOpen(receiver.DevicePath().c_str(), 230400)) {
        state.SkipWithError("open failed");
        return;
    }
    std::this_thread::sleep_for(500ms);  // past the start-up sentences
    double perSecond = 0;
    for (auto _ : state) {
        const long before = LibraryWakeUps();
        const auto from = Clock::now();
        std::this_thread::sleep_for(3s);  // the measuring window
        perSecond = static_cast<double>(LibraryWakeUps() - before) /
                    std::chrono::duration<double>(Clock::now() - from).count();
    }
    TmcClose();
    state.counters["wakeups_per_s"] = perSecond;
}
BENCHMARK(IdleWakeUps)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Events of its own, so a benchmark never takes another program's signals.
    const std::string prefix = "rdstmc-bench-" + std::to_string(getpid()) + "-";
    rdstmc::platform::SetNamedEventPrefixForTesting(prefix.c_str());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    rdstmc::platform::NamedEventRemove(rdstmc::kRdsEventName);
    rdstmc::platform::NamedEventRemove(rdstmc::kTmcEventName);
    return 0;
}
