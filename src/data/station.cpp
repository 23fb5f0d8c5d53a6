#include <cmath>
#include <cstdint>
#include <cstring>

#include "data/decoders.h"
#include "data/listeners.h"
#include "data/rds_charset.h"
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

// The date conversion of the RDS standard divides by multiplying with these
// reciprocals; taking them bit for bit keeps every truncation where the
// receiver-side formula puts it.
double DoubleFromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
const double kInverseYearLength = DoubleFromBits(0x3F666DB072F2284DULL);   // 1 / 365.25
const double kInverseMonthLength = DoubleFromBits(0x3FA0BB627B5C1C3FULL);  // 1 / 30.6001

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
    const int segment = blockB & 0xF;
    if (segment == 0) std::memset(rt, 0, sizeof s.scratch.rtBuffer);
    unsigned char* at = rt + 4 * segment;
    at[0] = static_cast<unsigned char>((blockC >> 8) & 0xFF);
    at[1] = static_cast<unsigned char>(blockC & 0xFF);
    at[2] = static_cast<unsigned char>((blockD >> 8) & 0xFF);
    at[3] = static_cast<unsigned char>(blockD & 0xFF);

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

TmcRdsTime DecodeClockTime(int blockB, int blockC, int blockD) {
    const unsigned b = static_cast<unsigned>(blockB), c = static_cast<unsigned>(blockC),
                   d = static_cast<unsigned>(blockD);
    const int mjd = static_cast<int>(((b & 0x3u) << 15) | ((c >> 1) & 0x7FFFu));
    TmcRdsTime t = {};
    t.hour = static_cast<int>(((c & 0x1u) << 4) | ((d >> 12) & 0xFu));
    t.minute = static_cast<int>((d >> 6) & 0x3Fu);

    const double yearPrime = std::trunc((mjd - 15078.2) * kInverseYearLength);
    const double yearDays = std::trunc(yearPrime * 365.25);
    const double monthPrime = std::trunc((mjd - 14956.1 - yearDays) * kInverseMonthLength);
    const double day = mjd - 14956 - yearDays - std::trunc(monthPrime * 30.6001);
    const int k = (monthPrime == 14.0 || monthPrime == 15.0) ? 1 : 0;
    t.year = 1900 + static_cast<int>(yearPrime) + k;
    t.month = static_cast<int>(monthPrime) - 1 - 12 * k;
    t.day = static_cast<int>(day);
    t.weekDay = (mjd + 2) % 7 + 1;
    t.reserved = 0;
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
