// What the monitor makes of the TMC groups: decoded messages, the traffic
// picture they build with its changes, and the picture kept in a file.
#pragma once
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include <rdstmc_ext.h>
#include <rdstmc_tmc.h>

#include "recording_clock.h"
#include "view.h"

namespace rdstmc::monitor {

struct TrafficOptions {
    const EventTable* events = nullptr;       // names for event codes, or null
    const LocationTable* locations = nullptr; // names for locations, or null
    bool raw = false;                         // show the blocks of decoded groups too
    bool allMessages = false;                 // show every decoded message, repeats included
    std::string pictureFile;                  // keep the picture here across runs; "" for none
    std::string geoJsonFile;                  // keep the picture here as a map layer; "" for none
};

class Traffic {
public:
    // `sentenceTick` tells, during a listener call, when the sentence being
    // handled was received (TmcGetSentenceTick, or the fast replay's stamp).
    Traffic(View& view, const TrafficOptions& options, RecordingClock& clock,
            std::function<bool(unsigned&)> sentenceTick);

    // Loads the picture file, dropping what has ended; false with a reason
    // when it exists but cannot be used. Before any group arrives.
    bool Restore(std::string& error);
    // A TMC-related group as OnRawData hands it, or a 1A group (the
    // station's country, for the location tables); the reader's thread.
    void Group(uint32_t word0, uint32_t word1);
    // Lets the picture's clock run (what has ended expires) and keeps the
    // file up to date; the main loop, a few times a second.
    void Tick();
    // Shows the whole picture and writes the file; at the end, or on request.
    void ShowPicture();

private:
    void Apply(const TmcMessage& message, int64_t now);
    void Save();
    void WriteMap();
    void Changed(TrafficPicture::Change change, const TmcStoredMessage& stored);

    View& view_;
    const TrafficOptions& options_;
    RecordingClock& clock_;
    std::function<bool(unsigned&)> sentenceTick_;
    std::mutex mutex_;  // the decoder and the picture, between the reader and the main loop
    TmcDecoder decoder_;
    TrafficPicture picture_;
    bool changed_ = false;  // since the file was last written
    bool mapChanged_ = false;  // since the map layer was last written
    int64_t savedAt_ = 0;   // wall-clock seconds of the last write
};

}  // namespace rdstmc::monitor
