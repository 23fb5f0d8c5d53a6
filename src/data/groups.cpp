#include <cstring>

#include "data/decoders.h"
#include "data/listeners.h"
#include "link/sentence.h"
#include "platform/clock.h"
#include "rds/blocks.h"
#include "session/receiver.h"
#include "status/status_worker.h"

namespace rdstmc {
namespace {

constexpr uint32_t kActivityIntervalMs = 1000;

bool IsTmcRelated(RdsGroupType type) { return type == kRdsGroup3A || type == kRdsGroup4A || type == kRdsGroup8A; }

// Sets each activity event, and this process's own signal beside it, at
// most about once a second however fast groups arrive. Before the status
// worker has opened the events they are not set, but the ticks still advance.
void SignalActivity(ReceiverState& s, bool tmcRelated, uint32_t tick) {
    DecoderScratch& d = s.scratch;
    if (tmcRelated) {
        if (tick - d.lastTmcTick >= kActivityIntervalMs) {
            platform::NamedEventSet(TmcActivityEvent());
            s.tmcActivity.Set();
            d.lastTmcTick = tick;
        }
    } else if (tick - d.lastRdsTick >= kActivityIntervalMs || tick < d.lastRdsTick) {
        platform::NamedEventSet(RdsActivityEvent());
        s.rdsActivity.Set();
        d.lastRdsTick = tick;
    }
}

void RawGroupStep(ReceiverState& s, int a, int b, int c, int dd) {
    DecoderScratch& d = s.scratch;
    d.rawScratch[0] = (static_cast<uint32_t>(a) << 16) | static_cast<uint32_t>(b);
    d.rawScratch[1] = (static_cast<uint32_t>(c) << 16) | static_cast<uint32_t>(dd);
    bool changed = false;
    {
        platform::LockGuard guard(s.dataLock);
        if (s.published.rawGroup[0] != d.rawScratch[0] || s.published.rawGroup[1] != d.rawScratch[1]) {
            s.published.rawGroup[0] = d.rawScratch[0];
            s.published.rawGroup[1] = d.rawScratch[1];
            changed = true;
        }
    }
    if (changed) {
        NotifyListener<ITmcRawDataListener>(
            s.slots.rawData, [&](ITmcRawDataListener* l) { l->OnRawData(d.rawScratch[0], d.rawScratch[1]); });
    }
}

// Only FM carriers are listed: LF/MF codes and fillers are no frequency here.
void AppendAf(DecoderScratch& d, unsigned code) {
    const int carrier = rds::FmCarrier(code);
    if (carrier == 0) return;
    // Lost count codes can let a list run long; what does not fit is dropped.
    if (d.afCollected < kAfListSize) d.afAccumulator[d.afCollected] = carrier;
    ++d.afCollected;
}

void AlternativeFrequencyStep(ReceiverState& s, int blockC) {
    DecoderScratch& d = s.scratch;
    const unsigned hi = (static_cast<unsigned>(blockC) >> 8) & 0xFFu;
    const unsigned lo = static_cast<unsigned>(blockC) & 0xFFu;
    if (rds::IsAfCount(hi)) {
        d.afExpected = rds::AfCount(hi);
        d.afCollected = 0;
        std::memset(d.afAccumulator, 0, sizeof d.afAccumulator);
    }
    if (d.afExpected == 0) return;
    AppendAf(d, hi);
    AppendAf(d, lo);
    if (d.afCollected < d.afExpected) return;

    bool changed = false;
    {
        platform::LockGuard guard(s.dataLock);
        const size_t compared = sizeof(int) * static_cast<size_t>(d.afExpected);
        if (std::memcmp(d.afAccumulator, s.published.alternativeFrequencies, compared) != 0) {
            std::memcpy(s.published.alternativeFrequencies, d.afAccumulator, sizeof d.afAccumulator);
            changed = true;
        }
    }
    if (changed) {
        d.afExpected = 0;
        d.afCollected = 0;
        NotifyListener<ITmcRdsListener>(
            s.slots.rds, [&](ITmcRdsListener* l) { l->OnAlternativeFrequencies(d.afAccumulator); });
    }
}

}  // namespace

void HandleGroup(ReceiverState& s, const char* line, const char* lineFeed) {
    int fields[5];
    const char* cursor = line + 7;
    for (int& f : fields) {
        if (!ReadField(cursor, lineFeed, f)) return;
    }
    GroupStep(s, fields[1], fields[2], fields[3], fields[4], s.scratch.receivedTick);
}

void GroupStep(ReceiverState& s, int a, int b, int c, int d, uint32_t tick) {
    const RdsGroupType type = RdsGroupTypeOf(static_cast<uint16_t>(b));
    SignalActivity(s, IsTmcRelated(type), tick);
    const TmcRdsGroup group = {{static_cast<unsigned short>(a), static_cast<unsigned short>(b),
                                static_cast<unsigned short>(c), static_cast<unsigned short>(d)}};
    NotifyListener<ITmcGroupListener>(s.slots.group, [&](ITmcGroupListener* l) { l->OnRdsGroup(group); });
    if (IsTmcRelated(type)) RawGroupStep(s, a, b, c, d);

    switch (type) {
        case kRdsGroup0A:
            s.programmeId.store(a);
            AlternativeFrequencyStep(s, c);
            break;
        case kRdsGroup2A:
            RadioTextStep(s, b, c, d);
            break;
        case kRdsGroup4A:
            ClockTimeStep(s, b, c, d);
            break;
        default:
            break;
    }
}

}  // namespace rdstmc

bool rdstmc::GetRdsAF(ReceiverState& s, int list[25]) {
    if (!DataAvailable(s)) return false;
    platform::LockGuard guard(s.dataLock);
    std::memcpy(list, s.published.alternativeFrequencies, sizeof s.published.alternativeFrequencies);
    return true;
}

bool TmcGetRdsAF(int list[25]) { return rdstmc::GetRdsAF(rdstmc::State(), list); }
