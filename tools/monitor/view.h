// How rdstmc-monitor shows each event: one readable line, or one JSON
// object per line. Safe to call from any thread; lines never interleave.
#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include <rdstmc.h>
#include <rdstmc_rds.h>
#include <rdstmc_tmc.h>

namespace rdstmc::monitor {

class View {
public:
    // `flushEachLine`: each line goes out as it is made, for a reader
    // following the output; otherwise output is written in large blocks.
    View(std::FILE* out, bool json, bool flushEachLine = true);

    void Status(TmcStatus status);
    void Frequency(int frequency, int quality, int tunerMode);
    void Health(int health);
    void Station(unsigned pi, const unsigned short* name);
    void RadioText(const unsigned short* text);
    void Time(const TmcRdsTime& time);
    void AlternativeFrequencies(const int* list);
    void RawGroup(unsigned word0, unsigned word1);
    // What an RDS group changed (RdsChange bits) in its station's state:
    // one "rds" line per item.
    void Rds(uint32_t changes, const RdsState& state);
    // A decoded TMC message, with event and location names where the
    // tables are given (either may be null).
    void TrafficMessage(const TmcMessage& message, const EventTable* events, const LocationTable* locations);
    // A change of the traffic picture, and the whole picture.
    void TrafficChange(TrafficPicture::Change change, const TmcStoredMessage& message, const EventTable* events,
                       const LocationTable* locations);
    void TrafficPictureNow(const std::vector<TmcStoredMessage>& messages, const EventTable* events,
                           const LocationTable* locations);
    void TrafficSystem(const TmcSystemInfo& system);
    void TrafficTuning(const TmcTuningInfo& tuning);
    // The receiver's device went away (false) or is back (true).
    void Device(bool present);
    // A remark from the monitor itself (what it is doing, why it stopped).
    void Note(const std::string& text);

private:
    // `fields` is the JSON members after "event"; `text` the readable rest,
    // after `label` (the event's name when null).
    void Emit(const char* event, const std::string& fields, const std::string& text, const char* label = nullptr);

    std::FILE* out_;
    bool json_;
    bool flushEachLine_;
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::string line_;  // mutex_: the JSON line being written
};

// UTF-16 from the library to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8(const unsigned short* text);

// Text with its control characters shown as \xNN: a line shows them, never obeys them.
std::string Printable(const std::string& text);

// A JSON array of numbers: [1,2,3].
std::string NumberList(const int* values, int count);
std::string NumberList(const uint16_t* values, int count);

// A JSON string literal of UTF-8 text.
std::string JsonString(const std::string& text);

// A stretch in words: "A99 Nordring: Zentrum Süd (3) → Messe (4), 1 location,
// towards Hafen"; its road, and one of its places.
std::string StretchWords(const TmcStretch& stretch);
std::string RoadWords(const TmcStretch& stretch);
std::string PlaceWords(const TmcPlace& place);

}  // namespace rdstmc::monitor
