#include <cstdint>
#include <cstring>

#include "data/decoders.h"
#include "data/listeners.h"
#include "data/rds_charset.h"
#include "rds/blocks.h"
#include "session/receiver.h"
#include "text/text.h"

namespace rdstmc {
namespace {

constexpr size_t kStationNameLength = 8;
constexpr size_t kNameQuoteOpen = 7;
constexpr size_t kNameQuoteClose = 16;
constexpr int kRadioTextSegments = 16;
constexpr int kRadioTextLength = 64;
constexpr unsigned char kCarriageReturn = 0x0D;

bool WideEqual(const uint16_t* a, const uint16_t* b) {
    while (*a && *a == *b) ++a, ++b;
    return *a == *b;
}

// Copies at most capacity-1 units and a terminator.
bool CopyWide(uint16_t* to, const uint16_t* from, int capacity) {
    if (capacity < 1) return false;
    const size_t n = text::WideLength(from, static_cast<size_t>(capacity) - 1);
    std::memcpy(to, from, n * sizeof(uint16_t));
    to[n] = 0;
    return true;
}

}  // namespace

void HandleStationName(ReceiverState& s, const char* line, const char* lineFeed) {
    const size_t length = static_cast<size_t>(lineFeed - line) + 1;
    if (length < kNameQuoteClose + 1 || line[kNameQuoteOpen] != '"' || line[kNameQuoteClose] != '"') return;

    char raw[kStationNameLength + 1];
    std::memcpy(raw, line + kNameQuoteOpen + 1, kStationNameLength);
    raw[kStationNameLength] = 0;
    uint16_t name[kWideTextSize];
    RdsTextToUtf16(raw, name, kWideTextSize);

    {
        platform::LockGuard guard(s.dataLock);
        if (!WideEqual(name, s.published.stationName)) std::memcpy(s.published.stationName, name, sizeof name);
    }
    const int pi = s.programmeId.load();
    NotifyListener<ITmcRdsListener>(s.slots.rds, [&](ITmcRdsListener* l) { l->OnStationName(pi, name); });
}

void RadioTextStep(ReceiverState& s, int blockB, int blockC, int blockD) {
    unsigned char* rt = s.scratch.rtBuffer;
    const rds::RadioTextSegment piece = rds::RadioTextSegmentOf(static_cast<uint16_t>(blockB),
                                                                static_cast<uint16_t>(blockC),
                                                                static_cast<uint16_t>(blockD));
    const int segment = piece.address;
    if (segment == 0) std::memset(rt, 0, sizeof s.scratch.rtBuffer);
    unsigned char* at = rt + 4 * segment;
    std::memcpy(at, piece.chars, 4);

    bool complete = false;
    if (segment == kRadioTextSegments - 1) {
        rt[kRadioTextLength] = 0;
        complete = true;
    } else {
        for (int i = 0; i < 4; ++i) {
            if (at[i] == kCarriageReturn) {
                at[i] = 0;
                complete = true;
            }
        }
    }
    if (!complete) return;

    uint16_t text[kWideTextSize];
    RdsTextToUtf16(reinterpret_cast<const char*>(rt), text, kWideTextSize);
    bool changed = false;
    {
        platform::LockGuard guard(s.dataLock);
        if (!WideEqual(text, s.published.radioText)) {
            std::memcpy(s.published.radioText, text, sizeof text);
            changed = true;
        }
    }
    if (changed) NotifyListener<ITmcRdsListener>(s.slots.rds, [&](ITmcRdsListener* l) { l->OnRadioText(text); });
}

// Reported as sent, whatever the day: the listener has always done so.
TmcRdsTime DecodeClockTime(int blockB, int blockC, int blockD) {
    const rds::ClockTime clock = rds::ClockTimeOf(static_cast<uint16_t>(blockB), static_cast<uint16_t>(blockC),
                                                  static_cast<uint16_t>(blockD));
    const rds::Date date = rds::DateOfMjd(clock.mjd);
    TmcRdsTime t = {};
    t.year = date.year;
    t.month = date.month;
    t.day = date.day;
    t.weekDay = date.weekDay;
    t.hour = clock.hour;
    t.minute = clock.minute;
    return t;
}

void ClockTimeStep(ReceiverState& s, int blockB, int blockC, int blockD) {
    const TmcRdsTime t = DecodeClockTime(blockB, blockC, blockD);
    {
        platform::LockGuard guard(s.dataLock);
        s.published.clockTime = t;
    }
    NotifyListener<ITmcRdsListener>(s.slots.rds, [&](ITmcRdsListener* l) { l->OnRdsTime(t); });
}

bool GetRdsStation(ReceiverState& s, unsigned long& pi, unsigned short name[], int capacity) {
    if (!DataAvailable(s) || capacity < 1) return false;
    platform::LockGuard guard(s.dataLock);
    pi = static_cast<unsigned long>(static_cast<unsigned>(s.programmeId.load()));
    return CopyWide(name, s.published.stationName, capacity);
}

bool GetRadioText(ReceiverState& s, unsigned short text[], int capacity) {
    if (!DataAvailable(s) || capacity < 1) return false;
    platform::LockGuard guard(s.dataLock);
    return CopyWide(text, s.published.radioText, capacity);
}

bool GetRdsTime(ReceiverState& s, TmcRdsTime& time) {
    if (!DataAvailable(s)) return false;
    platform::LockGuard guard(s.dataLock);
    time = s.published.clockTime;
    return true;
}

}  // namespace rdstmc

using rdstmc::State;

bool TmcGetRdsStation(unsigned long& pi, unsigned short name[], int capacity) {
    return rdstmc::GetRdsStation(State(), pi, name, capacity);
}
bool TmcGetRadioText(unsigned short text[], int capacity) { return rdstmc::GetRadioText(State(), text, capacity); }
bool TmcGetRdsTime(TmcRdsTime& time) { return rdstmc::GetRdsTime(State(), time); }
