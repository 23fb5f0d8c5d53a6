#include "traffic.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include <rdstmc_rds.h>

#include "geojson.h"
#include "system.h"
#include "tool_support.h"

namespace rdstmc::monitor {
namespace {

constexpr uint16_t kTmcAid = 0xCD46, kTmcAidAlternative = 0xCD47;
// A changed picture is written at most this often while the monitor runs,
// and always at its end.
constexpr int64_t kSaveIntervalSeconds = 10;

}  // namespace

Traffic::Traffic(View& view, const TrafficOptions& options, RecordingClock& clock,
                 std::function<bool(unsigned&)> sentenceTick)
    : view_(view), options_(options), clock_(clock), sentenceTick_(std::move(sentenceTick)) {}

bool Traffic::Restore(std::string& error) {
    if (options_.pictureFile.empty()) return true;
    std::lock_guard<std::mutex> guard(mutex_);
    // No file yet is a first run, not a fault.
    std::error_code ignored;
    if (!std::filesystem::exists(tools::PathOf(options_.pictureFile), ignored)) return true;
    if (!picture_.Load(options_.pictureFile, clock_.Now(), error)) return false;
    view_.Note("restored " + std::to_string(picture_.Size()) + " traffic messages from " + options_.pictureFile);
    for (size_t i = 0; i < picture_.Size(); ++i) Changed(TrafficPicture::Change::New, picture_.At(i));
    WriteMap();
    return true;
}

void Traffic::Group(uint32_t word0, uint32_t word1) {
    const RdsGroupType group = RdsGroupTypeOf(static_cast<uint16_t>(word0));
    const unsigned aid = word1 & 0xFFFF;
    // Shown as blocks with --raw, or when the decoder does not read the group
    // (a 3A group of another application).
    const bool decoded = group == kRdsGroup1A || group == kRdsGroup4A || group == kRdsGroup8A ||
                         (group == kRdsGroup3A && (aid == kTmcAid || aid == kTmcAidAlternative));
    if (options_.raw || !decoded) view_.RawGroup(word0, word1);

    unsigned tick = 0;
    const int64_t now = sentenceTick_(tick) ? clock_.At(tick) : clock_.Now();
    std::lock_guard<std::mutex> guard(mutex_);
    int64_t utc = 0;
    int offset = 0;
    if (TmcClockTimeOf(word0, word1, utc, offset)) picture_.SetLocalOffset(offset);
    switch (decoder_.Feed(word0, word1)) {
        case TmcDecoder::Result::Message:
            if (options_.allMessages) view_.TrafficMessage(decoder_.Message(), options_.events, options_.locations);
            Apply(decoder_.Message(), now);
            break;
        case TmcDecoder::Result::SystemInfo:
            // A country code alone is no TMC service.
            if (decoder_.SystemInfo().aid != 0) view_.TrafficSystem(decoder_.SystemInfo());
            break;
        case TmcDecoder::Result::TuningInfo: view_.TrafficTuning(decoder_.TuningInfo()); break;
        case TmcDecoder::Result::None: break;
    }
}

void Traffic::Changed(TrafficPicture::Change change, const TmcStoredMessage& stored) {
    view_.TrafficChange(change, stored, options_.events, options_.locations);
    changed_ = mapChanged_ = true;
}

void Traffic::Apply(const TmcMessage& message, int64_t now) {
    picture_.Apply(message, now, [&](TrafficPicture::Change c, const TmcStoredMessage& s) { Changed(c, s); });
    if (mapChanged_) WriteMap();
}

void Traffic::Tick() {
    std::lock_guard<std::mutex> guard(mutex_);
    picture_.Advance(clock_.Now(), [&](TrafficPicture::Change c, const TmcStoredMessage& s) { Changed(c, s); });
    if (mapChanged_) WriteMap();
    if (changed_ && WallClockUtc() - savedAt_ >= kSaveIntervalSeconds) Save();
}

void Traffic::ShowPicture() {
    std::lock_guard<std::mutex> guard(mutex_);
    picture_.Advance(clock_.Now(), [&](TrafficPicture::Change c, const TmcStoredMessage& s) { Changed(c, s); });
    std::vector<TmcStoredMessage> messages;
    for (size_t i = 0; i < picture_.Size(); ++i) messages.push_back(picture_.At(i));
    view_.TrafficPictureNow(messages, options_.events, options_.locations);
    Save();
    WriteMap();
}

void Traffic::WriteMap() {
    mapChanged_ = false;
    if (options_.geoJsonFile.empty()) return;
    std::vector<TmcStoredMessage> messages;
    for (size_t i = 0; i < picture_.Size(); ++i) messages.push_back(picture_.At(i));
    if (!tools::ReplaceFileContent(options_.geoJsonFile, GeoJson(messages, options_.events, options_.locations))) {
        view_.Note(options_.geoJsonFile + ": the map layer could not be written");
    }
}

void Traffic::Save() {
    savedAt_ = WallClockUtc();
    changed_ = false;
    if (options_.pictureFile.empty()) return;
    std::string error;
    if (!picture_.Save(options_.pictureFile, error)) view_.Note(error);
}

}  // namespace rdstmc::monitor
