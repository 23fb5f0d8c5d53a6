#include <cstdint>

#include "data/decoders.h"
#include "data/listeners.h"
#include "link/sentence.h"
#include "session/receiver.h"

namespace rdstmc {

int HealthFromAverage(unsigned average) {
    struct Step {
        unsigned minimum;
        int health;
    };
    // Health 1 and 2 are never given, and 3 only for exactly 24.
    static const Step kSteps[] = {{55, 10}, {48, 9}, {44, 8}, {39, 7}, {35, 6},
                                  {30, 5},  {25, 4}, {24, 3}};
    for (const Step& s : kSteps) {
        if (average >= s.minimum) return s.health;
    }
    return 0;
}

void HandleTuning(ReceiverState& s, const char* line, const char* lineFeed) {
    int fields[5];
    const char* cursor = line + 7;
    for (int& f : fields) {
        if (!ReadField(cursor, lineFeed, f)) return;
    }
    const int frequency = static_cast<int>(static_cast<uint32_t>(fields[0]) / 10u);
    bool changed = false;
    {
        platform::LockGuard guard(s.dataLock);
        QualityRing& q = s.quality;
        if (frequency != s.published.frequency) {
            s.published.frequency = frequency;
            q = QualityRing{};
            changed = true;
        }
        if (q.count < kQualityRingSize) ++q.count;
        q.samples[q.index] = fields[1];
        q.index = q.index >= kQualityRingSize - 1 ? 0 : q.index + 1;
    }
    if (changed) {
        const unsigned char mode = s.tunerMode.load();
        NotifyListener<ITmcFrequencyListener>(
            s.slots.frequency, [&](ITmcFrequencyListener* l) { l->OnFrequencyChanged(frequency, fields[1], mode); });
    }
}

bool GetTunerFrequency(ReceiverState& s, int& frequency) {
    if (!DataAvailable(s)) return false;
    platform::LockGuard guard(s.dataLock);
    frequency = s.published.frequency;
    return true;
}

bool GetRdsHealth(ReceiverState& s, int& health) {
    if (!DataAvailable(s)) return false;
    unsigned average = 0;
    {
        platform::LockGuard guard(s.dataLock);
        const QualityRing& q = s.quality;
        if (q.count > 0) {
            unsigned sum = 0;
            for (int i = 0; i < q.count; ++i) sum += static_cast<unsigned>(q.samples[i]);
            average = sum / static_cast<unsigned>(q.count);
        }
    }
    health = HealthFromAverage(average);
    return true;
}

}  // namespace rdstmc

bool TmcGetTunerFrequency(int& frequency) { return rdstmc::GetTunerFrequency(rdstmc::State(), frequency); }
bool TmcGetRdsHealth(int& health) { return rdstmc::GetRdsHealth(rdstmc::State(), health); }
