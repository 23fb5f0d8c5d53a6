// rdstmc-make-recording: writes the bundled demonstration recording.
//
// A made-up station, "RIVER FM" on 96.9 MHz, encoded group by group as a
// receiver module would deliver it, in the library's log format. Over about
// 40 seconds the reception walks through every status: tuned but no RDS
// yet, RDS only, RDS with TMC, RDS only again, and the signal fading out.
//
//   rdstmc-make-recording [OUTPUT]     (standard output without OUTPUT)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <iostream>
#include <string>
#include <vector>

#include "receiver_emulator.h"
#include "recording.h"
#include "tool_support.h"

namespace {

using rdstmc::emulator::Frame;
using rdstmc::emulator::GroupSentence;
using rdstmc::emulator::LogRecord;
using rdstmc::emulator::StationSentence;
using rdstmc::emulator::TuningSentence;

// The station.
constexpr unsigned kPi = 0xD3C5;
constexpr unsigned kPty = 10;           // programme type, carried in every block B
constexpr unsigned kTrafficProgramme = 0x0400;
constexpr int kWireFrequency = 9690;    // 96.90 MHz in the module's 10 kHz units
const char kStationName[] = "RIVER FM";
const char kFirstText[] = "RIVER FM - news and traffic every half hour";
const char kSecondText[] = "Now: The Morning Drive with live traffic updates";
// Method-A list: the station itself first, then four transmitters, as MHz x 10.
const int kAlternatives[] = {969, 893, 1012, 1046, 917};
// RDS-TMC's open-data application identifier, announced in 3A groups.
constexpr unsigned kTmcApplication = 0xCD46;

// Recording timeline, milliseconds from the first record.
constexpr int kRdsFrom = 3000, kRdsUntil = 32000;
constexpr int kTmcFrom = 10000, kTmcUntil = 24000;
constexpr int kAnnouncementEvery = 5000, kLastAnnouncement = 20000;
constexpr int kSecondTextFrom = 20000;
constexpr int kClockAt = 14000;
constexpr int kEnd = 40000;
// The module's tick count when the recording starts: a board up for 12 minutes.
constexpr int32_t kFirstTick = 734512;

// 104 bits at 1187.5 bit/s.
constexpr double kGroupPeriodMs = 104 * 1000.0 / 1187.5;

unsigned BlockB(unsigned groupType, unsigned low5) {
    return (groupType << 12) | kTrafficProgramme | (kPty << 5) | (low5 & 0x1F);
}

unsigned Chars(char high, char low) {
    return (static_cast<unsigned char>(high) << 8) | static_cast<unsigned char>(low);
}

struct Record {
    int at;
    std::string sentence;
};

class Station {
public:
    // Group 0A: two programme-service characters in D and the next pair of
    // the alternative-frequency list in C.
    std::string BasicTuning() {
        const unsigned segment = psSegment_++ % 4;
        const std::vector<unsigned> codes = AfCodes();
        const unsigned pair = afPair_++ % (codes.size() / 2);
        const unsigned c = (codes[2 * pair] << 8) | codes[2 * pair + 1];
        const unsigned d = Chars(kStationName[2 * segment], kStationName[2 * segment + 1]);
        return GroupSentence(kPi, BlockB(0, 0x08 | segment), c, d);
    }

    // Group 2A: four radio-text characters; the A/B flag flips with the text.
    std::string RadioText(bool second) {
        const std::string text = std::string(second ? kSecondText : kFirstText) + '\r';
        const unsigned segments = static_cast<unsigned>((text.size() + 3) / 4);
        if (second != onSecond_) {
            onSecond_ = second;
            rtSegment_ = 0;
        }
        const unsigned s = rtSegment_++ % segments;
        std::string four = text.substr(4 * s, 4);
        four.resize(4, ' ');
        return GroupSentence(kPi, BlockB(2, (second ? 0x10 : 0) | s), Chars(four[0], four[1]),
                             Chars(four[2], four[3]));
    }

    // Group 4A: 2026-12-08 07:31 UTC, local time one hour ahead.
    static std::string ClockTime() {
        const unsigned mjd = static_cast<unsigned>(rdstmc::tools::DaysFromCivil(2026, 12, 8) + 40587);
        const unsigned hour = 7, minute = 31, halfHoursAhead = 2;
        const unsigned c = ((mjd & 0x7FFF) << 1) | (hour >> 4);
        const unsigned d = ((hour & 0xF) << 12) | (minute << 6) | halfHoursAhead;
        return GroupSentence(kPi, BlockB(4, mjd >> 15), c, d);
    }

    // Group 3A: TMC is carried in 8A groups; C holds the service's location
    // table number 6 in variant 0.
    static std::string TmcAnnouncement() {
        return GroupSentence(kPi, BlockB(3, 8 << 1), 6 << 6, kTmcApplication);
    }

    // Group 8A: single-group TMC messages, each sent twice in a row as
    // services do.
    std::string TmcMessage() {
        struct Message {
            unsigned duration, direction, extent, event, location;
        };
        static const Message kMessages[] = {
            {1, 0, 1, 101, 12345},  // stationary traffic
            {2, 1, 2, 115, 12407},  // queuing traffic
            {0, 0, 0, 401, 23011},  // closed
        };
        const Message& m = kMessages[(tmcSent_++ / 2) % 3];
        const unsigned b = BlockB(8, 0x08 | m.duration);  // single-group user message
        const unsigned c = (m.direction << 14) | (m.extent << 11) | m.event;
        return GroupSentence(kPi, b, c, m.location);
    }

private:
    static std::vector<unsigned> AfCodes() {
        std::vector<unsigned> codes{224u + static_cast<unsigned>(std::size(kAlternatives))};
        for (int f : kAlternatives) codes.push_back(static_cast<unsigned>(f - 875));
        if (codes.size() % 2) codes.push_back(205);  // filler
        return codes;
    }

    unsigned psSegment_ = 0, afPair_ = 0, rtSegment_ = 0, tmcSent_ = 0;
    bool onSecond_ = false;
};

std::vector<Record> Compose() {
    std::vector<Record> records;
    // A tuning report each second: weak until RDS locks, fading at the end.
    for (int at = 200; at < kEnd; at += 1000) {
        int quality = 46 + (at / 1000) % 7;
        if (at < kRdsFrom) quality = 20 + at / 1000;
        if (at >= kRdsUntil) quality = 18 - (at - kRdsUntil) / 2000;
        records.push_back({at, TuningSentence(kWireFrequency, quality)});
    }
    // The module assembles the station name itself once RDS has locked.
    for (int at = kRdsFrom + 1500; at < kRdsUntil; at += 1000)
        records.push_back({at, StationSentence(kStationName)});

    Station station;
    bool clockSent = false;
    int nextAnnouncement = kTmcFrom;
    for (int i = 0;; ++i) {
        const int at = kRdsFrom + static_cast<int>(i * kGroupPeriodMs + 0.5);
        if (at >= kRdsUntil) break;
        const bool tmc = at >= kTmcFrom && at < kTmcUntil;
        std::string group;
        if (!clockSent && at >= kClockAt) {
            group = Station::ClockTime();
            clockSent = true;
        } else if (tmc && at >= nextAnnouncement && nextAnnouncement <= kLastAnnouncement) {
            group = Station::TmcAnnouncement();
            nextAnnouncement += kAnnouncementEvery;
        } else if (tmc && i % 3 == 2) {
            group = station.TmcMessage();
        } else if (i % 3 == 1) {
            group = station.RadioText(at >= kSecondTextFrom);
        } else {
            group = station.BasicTuning();
        }
        records.push_back({at, group});
    }
    std::stable_sort(records.begin(), records.end(), [](const Record& a, const Record& b) { return a.at < b.at; });
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out;
    for (const Record& r : Compose()) out += LogRecord(kFirstTick + r.at, r.sentence);
    if (argc < 2) {
        std::cout << out;
        return std::cout ? 0 : 1;
    }
    std::ofstream file(argv[1], std::ios::binary);
    file << out;
    if (!file.flush()) {
        std::fprintf(stderr, "rdstmc-make-recording: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
