// The built-in facts of the Alert-C event list, and what follows from them
// for one message: its urgency, its quantifier in words, its clock time.
#include <algorithm>
#include <cstdio>

#include "rds/blocks.h"
#include "rdstmc_tmc.h"
#include "tmc/calendar.h"
#include "tmc/event_properties_data.h"

namespace rdstmc {
namespace {

// Quantifier types of the event list (ISO 14819-2); 0 is "none" in the
// built-in data, and a 5-bit value met there reads as a small number.
enum QuantifierType {
    kSmallNumber = 0, kNumber = 1, kLessThanMetres = 2, kPercent = 3, kSpeed = 4, kDuration = 5,
    kTemperature = 6, kTimeOfDay = 7, kTonnes = 8, kMetres = 9, kMillimetres = 10, kMegahertz = 11,
    kKilohertz = 12,
};
constexpr int kLastFiveBitType = kDuration;
// A 5-bit quantifier of 0 stands for 32.
constexpr int kFiveBitZero = 32;

std::string Format(const char* format, int a, int b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// "1.5" from tenths.
std::string Tenths(int tenths) { return Format("%d.%d", tenths / 10, tenths % 10); }

}  // namespace

const TmcEventProperties* TmcEventInfo(int code) {
    const TmcEventProperties* begin = kEventProperties;
    const TmcEventProperties* end = kEventProperties + kEventPropertiesCount;
    const TmcEventProperties* at =
        std::lower_bound(begin, end, code, [](const TmcEventProperties& p, int c) { return p.code < c; });
    return at != end && at->code == code ? at : nullptr;
}

TmcUrgency TmcUrgencyOf(const TmcMessage& message) {
    const TmcEventProperties* p = message.eventCount > 0 ? TmcEventInfo(message.events[0]) : nullptr;
    const int level = p ? static_cast<int>(p->urgency) : 0;
    return static_cast<TmcUrgency>(std::clamp(level + message.urgencyChange, 0, 2));
}

std::string TmcQuantifierText(int type, int value) {
    if (type <= kLastFiveBitType && value == 0) value = kFiveBitZero;
    switch (type) {
        case kSmallNumber:
            // 1-28 as they are, then in steps of two: 30, 32, 34, 36.
            return std::to_string(value <= 28 ? value : 28 + 2 * (value - 28));
        case kNumber:
            if (value <= 4) return std::to_string(value);
            if (value <= 14) return std::to_string((value - 4) * 10);
            return std::to_string((value - 12) * 50);
        case kLessThanMetres: return Format("less than %d metres", value * 10);
        case kPercent: return Format("%d %%", value == kFiveBitZero ? 0 : value * 5);
        case kSpeed: return Format("of up to %d km/h", value * 5);
        case kDuration:
            if (value <= 10) return Format("of up to %d minutes", value * 5);
            if (value <= 22) return Format("of up to %d hours", value - 10);
            return Format("of up to %d hours", (value - 20) * 6);
        case kTemperature: return Format("%d degrees Celsius", value - 51);
        case kTimeOfDay: {
            const int minutes = (value - 1) * 10;
            return Format("%02d:%02d", minutes / 60 % 24, minutes % 60);
        }
        case kTonnes: return Tenths(value <= 100 ? value : 100 + (value - 100) * 5) + " tonnes";
        case kMetres: return Tenths(value <= 100 ? value : 100 + (value - 100) * 5) + " metres";
        case kMillimetres: return Format("of up to %d millimetres", value);
        case kMegahertz: {
            // An AF code.
            const int carrier = value >= 0 ? rds::FmCarrier(static_cast<unsigned>(value)) : 0;
            return carrier != 0 ? Tenths(carrier) + " MHz" : std::to_string(value);
        }
        case kKilohertz: {
            // An LF or MF frequency code.
            const int kilohertz = value >= 0 ? rds::LfMfKilohertz(static_cast<unsigned>(value)) : 0;
            return kilohertz != 0 ? Format("%d kHz", kilohertz) : std::to_string(value);
        }
        default: return std::to_string(value);
    }
}

bool TmcClockTimeOf(uint32_t word0, uint32_t word1, int64_t& utcSeconds, int& localOffsetMinutes) {
    const uint16_t b = static_cast<uint16_t>(word0), c = static_cast<uint16_t>(word1 >> 16),
                   d = static_cast<uint16_t>(word1);
    if (RdsGroupTypeOf(b) != kRdsGroup4A) return false;
    const rds::ClockTime t = rds::ClockTimeOf(b, c, d);
    if (!rds::IsValid(t)) return false;
    constexpr int64_t kMjdOf1970 = 40587;
    utcSeconds = (t.mjd - kMjdOf1970) * calendar::kSecondsPerDay + t.hour * 3600 + t.minute * 60;
    localOffsetMinutes = 30 * t.offsetHalfHours;
    return true;
}

}  // namespace rdstmc
