// Fuzz entry point for the TMC decoder and the traffic picture: arbitrary
// groups, steered towards 3A and 8A so most inputs reach the message
// assembly, every result checked against the documented bounds; each message
// goes into a small picture, whose changes and contents are checked too, and
// the input's tail is restored as a saved picture.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "rdstmc_tmc.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void Check(const rdstmc::TmcMessage& m) {
    Require(m.groups >= 1 && m.groups <= 5);
    Require(m.eventCount >= 1 && m.eventCount <= rdstmc::TmcMessage::kMaxEvents);
    for (int i = 0; i < m.eventCount; ++i) Require(m.events[i] < 2048 && m.eventBlock[i] >= 0);
    Require(m.extent >= 0 && m.extent <= 7 + 8 * 28 + 16 * 28);
    Require(m.duration >= 0 && m.duration <= 7);
    const int limit = rdstmc::TmcMessage::kMaxItems;
    Require(m.quantifierCount >= 0 && m.quantifierCount <= limit);
    for (int i = 0; i < m.quantifierCount; ++i) Require(m.quantifiers[i].event >= 0 && m.quantifiers[i].event < m.eventCount);
    Require(m.supplementaryCount <= limit && m.diversionCount <= limit && m.destinationCount <= limit &&
            m.crossLinkCount <= limit);
}

constexpr size_t kCapacity = 8;

// Applies a message at a time the input moves on, then checks that the
// picture is within its capacity and that nothing stored has ended.
void Picture(rdstmc::TrafficPicture& picture, const rdstmc::TmcMessage& m, int64_t now) {
    picture.Apply(m, now, [&](rdstmc::TrafficPicture::Change change, const rdstmc::TmcStoredMessage& s) {
        Require(s.message.eventCount >= 1);
        if (change == rdstmc::TrafficPicture::Change::New || change == rdstmc::TrafficPicture::Change::Update) {
            Require(s.expires > now && s.lastReceived == now);
        }
    });
    Require(picture.Size() <= kCapacity);
    for (size_t i = 0; i < picture.Size(); ++i) Require(picture.At(i).expires > now);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    rdstmc::TmcDecoder decoder;
    rdstmc::TrafficPicture picture(kCapacity);
    int64_t now = 1796713200;
    // Each group: a steering byte, then blocks A-D. The steering byte picks
    // 3A or 8A (or leaves block B as it is) and sometimes the station.
    for (size_t at = 0; at + 9 <= size; at += 9) {
        const uint8_t steer = data[at];
        const uint16_t a = (steer & 0x80) ? Word(data + at + 1) : 0xD3C5;
        uint16_t b = Word(data + at + 3);
        if ((steer & 3) == 0) b = static_cast<uint16_t>(0x3000 | (b & 0x7FF));
        if ((steer & 3) == 1 || (steer & 3) == 2) b = static_cast<uint16_t>(0x8000 | (b & 0x7FF));
        uint16_t d = Word(data + at + 7);
        if ((steer & 0x0C) == 0) d = 0xCD46;
        const auto result = decoder.FeedBlocks(a, b, Word(data + at + 5), d);
        now += steer >> 4 << 6;  // up to a quarter of an hour between groups
        if (result == rdstmc::TmcDecoder::Result::Message) {
            Check(decoder.Message());
            Picture(picture, decoder.Message(), now);
        }
        if (result == rdstmc::TmcDecoder::Result::TuningInfo) {
            Require(std::memchr(decoder.TuningInfo().providerName, 0, sizeof decoder.TuningInfo().providerName) != nullptr);
        }
        if (result == rdstmc::TmcDecoder::Result::SystemInfo) {
            const rdstmc::TmcSystemInfo& s = decoder.SystemInfo();
            Require(s.ltn >= -1 && s.ltn <= 63 && s.sid >= -1 && s.sid <= 63);
        }
    }
    // What the picture saves comes back whole; any other text is taken whole
    // or refused, leaving the picture empty.
    picture.Advance(now, [&](rdstmc::TrafficPicture::Change change, const rdstmc::TmcStoredMessage& s) {
        Require(change == rdstmc::TrafficPicture::Change::Expire && s.expires <= now);
    });
    const std::string saved = picture.Serialize();
    rdstmc::TrafficPicture restored(kCapacity);
    std::string error;
    Require(restored.Restore(saved, now, error) && restored.Serialize() == saved);
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!restored.Restore(text, now, error)) Require(restored.Size() == 0 && !error.empty());
    return 0;
}
