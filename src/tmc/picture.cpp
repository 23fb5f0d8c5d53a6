// The traffic picture: message management of ISO 14819-1 over the decoded
// messages. The rules, and the readings chosen, are in rdstmc_tmc.h.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "rdstmc_tmc.h"
#include "tmc/calendar.h"
#include "tmc/picture_text.h"

namespace rdstmc {
namespace {

using calendar::FloorDiv;
using calendar::kSecondsPerDay;

constexpr uint16_t kAnyLocation = 65535;
constexpr int64_t kMinute = 60, kHour = 3600;
// Persistence of a dynamic event by duration code 0-6; code 7 lasts until midnight.
constexpr int64_t kDynamicPersistence[7] = {15 * kMinute, 15 * kMinute, 30 * kMinute, kHour,
                                            2 * kHour,    3 * kHour,    4 * kHour};

// The start of the local day `daysAhead` days after the one `utc` falls on, in UTC.
int64_t LocalMidnight(int64_t utc, int offsetMinutes, int64_t daysAhead) {
    const int64_t offset = offsetMinutes * kMinute;
    return (FloorDiv(utc + offset, kSecondsPerDay) + daysAhead) * kSecondsPerDay - offset;
}

int64_t EndOfLocalDay(const calendar::Date& date, int offsetMinutes) {
    return (calendar::DaysFromDate(date) + 1) * kSecondsPerDay - offsetMinutes * kMinute;
}

// The moment a stop-time code (label 8) names, seen from `received`; 0 for a
// code that names none.
int64_t StopTime(int code, int64_t received, int offsetMinutes) {
    const int64_t today = LocalMidnight(received, offsetMinutes, 0);
    const calendar::Date date = calendar::DateFromDays(FloorDiv(received + offsetMinutes * kMinute, kSecondsPerDay));
    constexpr int kLastQuarterHour = 95, kLastHourAhead = 200, kLastDayOfMonth = 231, kLastMonthHalf = 255;
    if (code < 0) return 0;
    if (code <= kLastQuarterHour) {
        // A time of day; one that has passed today means tomorrow.
        const int64_t at = today + (code / 4) * kHour + (code % 4) * 15 * kMinute;
        return at > received ? at : at + kSecondsPerDay;
    }
    if (code <= kLastHourAhead) {
        const int hoursAhead = code - (kLastQuarterHour + 1);
        return today + (hoursAhead / 24) * kSecondsPerDay + (hoursAhead % 24) * kHour;
    }
    if (code <= kLastDayOfMonth) {
        // The end of that day of this month, or of the next if it has passed.
        const int day = code - kLastHourAhead;
        calendar::Date target = date;
        if (day < date.day) target.month = date.month % 12 + 1, target.year += date.month == 12;
        target.day = std::min(day, calendar::DaysInMonth(target.year, target.month));
        return EndOfLocalDay(target, offsetMinutes);
    }
    if (code <= kLastMonthHalf) {
        // The middle (15th) or the end of a month, this year or the next.
        const int index = code - (kLastDayOfMonth + 1);
        calendar::Date target{date.year, index / 2 + 1, 0};
        for (int attempt = 0; attempt < 2; ++attempt, ++target.year) {
            target.day = index % 2 ? calendar::DaysInMonth(target.year, target.month) : 15;
            const int64_t end = EndOfLocalDay(target, offsetMinutes);
            if (end > received) return end;
        }
    }
    return 0;
}

// Where a message belongs: two messages with one key are one message.
struct Key {
    uint16_t pi;
    uint16_t location;
    bool negative;
    int updateClass;   // a code the list lacks stands in as -code
    int forecast;      // the duration code of a forecast, else -1

    bool operator==(const Key& o) const {
        return pi == o.pi && location == o.location && negative == o.negative && updateClass == o.updateClass &&
               forecast == o.forecast;
    }
};

Key KeyOf(const TmcMessage& m) {
    const TmcEventProperties* p = TmcEventInfo(m.events[0]);
    const bool forecast = p && p->nature == TmcNature::Forecast;
    return {m.pi, m.location, m.negativeDirection, p ? p->updateClass : -static_cast<int>(m.events[0]),
            forecast ? m.duration : -1};
}

bool operator==(const TmcMessage::Quantifier& a, const TmcMessage::Quantifier& b) {
    return a.event == b.event && a.bits == b.bits && a.value == b.value;
}

template <class T, size_t N>
bool SameList(const T (&a)[N], const T (&b)[N], int count) {
    for (int i = 0; i < count && i < static_cast<int>(N); ++i) {
        if (!(a[i] == b[i])) return false;
    }
    return true;
}

// Field by field: copies of a message need not agree in their padding.
bool SameMessage(const TmcMessage& a, const TmcMessage& b) {
    // A country code that only one of them knows is not a difference.
    const bool sameCountry = a.ecc <= 0 || b.ecc <= 0 || a.ecc == b.ecc;
    return a.pi == b.pi && sameCountry && a.ltn == b.ltn && a.encrypted == b.encrypted && a.groups == b.groups &&
           a.continuityIndex == b.continuityIndex && a.duration == b.duration && a.diversion == b.diversion &&
           a.negativeDirection == b.negativeDirection && a.extent == b.extent && a.location == b.location &&
           a.urgencyChange == b.urgencyChange && a.directionalityChanged == b.directionalityChanged &&
           a.durationTypeChanged == b.durationTypeChanged && a.spokenDurationChanged == b.spokenDurationChanged &&
           a.eventCount == b.eventCount && SameList(a.events, b.events, a.eventCount) &&
           SameList(a.eventBlock, b.eventBlock, a.eventCount) && a.lengthOfRoute == b.lengthOfRoute &&
           a.speedLimit == b.speedLimit && a.startTime == b.startTime && a.stopTime == b.stopTime &&
           a.quantifierCount == b.quantifierCount && SameList(a.quantifiers, b.quantifiers, a.quantifierCount) &&
           a.supplementaryCount == b.supplementaryCount &&
           SameList(a.supplementary, b.supplementary, a.supplementaryCount) &&
           a.diversionCount == b.diversionCount && SameList(a.diversionRoute, b.diversionRoute, a.diversionCount) &&
           a.destinationCount == b.destinationCount &&
           SameList(a.destinations, b.destinations, a.destinationCount) && a.crossLinkCount == b.crossLinkCount &&
           SameList(a.crossLinks, b.crossLinks, a.crossLinkCount) && a.reservedLabels == b.reservedLabels;
}

}  // namespace

int64_t TmcMessageExpiry(const TmcMessage& m, int64_t received, int localOffsetMinutes) {
    const TmcEventProperties* p = m.eventCount > 0 ? TmcEventInfo(m.events[0]) : nullptr;
    bool dynamic = !(p && p->durationType == TmcDurationType::LongerLasting);
    if (m.durationTypeChanged) dynamic = !dynamic;
    const int code = m.duration & 7;
    int64_t persistence;
    if (dynamic) {
        persistence = code < 7 ? received + kDynamicPersistence[code] : LocalMidnight(received, localOffsetMinutes, 1);
    } else if (code <= 1) {
        persistence = received + (code + 1) * kHour;
    } else {
        persistence = LocalMidnight(received, localOffsetMinutes, code == 2 ? 1 : 2);
    }
    const int64_t stop = StopTime(m.stopTime, received, localOffsetMinutes);
    return stop > received ? stop : persistence;
}

struct TrafficPicture::State {
    struct Slot {
        TmcStoredMessage stored;
        Key key;
    };
    size_t capacity;
    int offset = 0;
    std::vector<Slot> slots;
    std::vector<TmcStoredMessage> removed;  // as big as `slots` may grow, so removing never allocates
    // No stored message ends before this: Advance looks at the slots only
    // once it has come (a busy station applies a message several times a second).
    int64_t earliestExpiry = INT64_MAX;

    void Stored(int64_t expires) { earliestExpiry = std::min(earliestExpiry, expires); }

    // Takes out, in one pass and keeping the others in order, every slot
    // `match` picks, then reports each: from a copy, as its slot is gone
    // once the observer may look.
    template <class Match>
    void RemoveWhere(Match match, Change change, Observer observer, void* context) {
        removed.clear();
        size_t kept = 0;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (match(slots[i])) {
                removed.push_back(slots[i].stored);
            } else {
                if (kept != i) slots[kept] = slots[i];
                ++kept;
            }
        }
        slots.erase(slots.begin() + static_cast<std::ptrdiff_t>(kept), slots.end());
        earliestExpiry = INT64_MAX;
        for (const Slot& slot : slots) Stored(slot.stored.expires);
        if (observer) {
            for (const TmcStoredMessage& r : removed) observer(context, change, r);
        }
    }
};

TrafficPicture::TrafficPicture(size_t capacity) : state_(new State) {
    state_->capacity = capacity > 0 ? capacity : 1;
    state_->slots.reserve(state_->capacity);
    state_->removed.reserve(state_->capacity);
}

TrafficPicture::~TrafficPicture() { delete state_; }

void TrafficPicture::SetLocalOffset(int minutes) { state_->offset = minutes; }
int TrafficPicture::LocalOffset() const { return state_->offset; }
size_t TrafficPicture::Size() const { return state_->slots.size(); }
const TmcStoredMessage& TrafficPicture::At(size_t index) const { return state_->slots.at(index).stored; }
void TrafficPicture::Clear() {
    state_->slots.clear();
    state_->earliestExpiry = INT64_MAX;
}

void TrafficPicture::Advance(int64_t now, Observer observer, void* context) {
    if (now < state_->earliestExpiry) return;
    state_->RemoveWhere([&](const State::Slot& slot) { return slot.stored.expires <= now; }, Change::Expire, observer,
                        context);
}

void TrafficPicture::Apply(const TmcMessage& m, int64_t now, Observer observer, void* context) {
    Advance(now, observer, context);
    if (m.eventCount < 1) return;
    State& s = *state_;
    const TmcEventProperties* p = TmcEventInfo(m.events[0]);
    const bool everywhere = m.location == kAnyLocation;
    const auto atPlace = [&](const Key& k) {
        return k.pi == m.pi && (everywhere || (k.location == m.location && k.negative == m.negativeDirection));
    };
    if (p && p->kind == TmcEventKind::Null) {
        s.RemoveWhere([&](const State::Slot& slot) { return atPlace(slot.key); }, Change::Cancel, observer, context);
        return;
    }
    if (p && p->kind == TmcEventKind::Cancellation) {
        const int updateClass = p->updateClass;
        s.RemoveWhere([&](const State::Slot& slot) { return atPlace(slot.key) && slot.key.updateClass == updateClass; },
                      Change::Cancel, observer, context);
        return;
    }
    if (p && p->nature == TmcNature::Silent) return;

    const Key key = KeyOf(m);
    const int64_t expires = TmcMessageExpiry(m, now, s.offset);
    for (State::Slot& slot : s.slots) {
        if (!(slot.key == key)) continue;
        TmcStoredMessage& stored = slot.stored;
        stored.lastReceived = now;
        stored.expires = expires;
        s.Stored(expires);
        if (SameMessage(stored.message, m)) {
            if (stored.message.ecc <= 0) stored.message.ecc = m.ecc;
            return;
        }
        stored.message = m;
        if (observer) observer(context, Change::Update, stored);
        return;
    }
    if (s.slots.size() >= s.capacity) {
        const auto first = std::min_element(s.slots.begin(), s.slots.end(), [](const State::Slot& a, const State::Slot& b) {
            return a.stored.expires < b.stored.expires;
        });
        const State::Slot* const oldest = &*first;
        s.RemoveWhere([&](const State::Slot& slot) { return &slot == oldest; }, Change::Expire, observer, context);
    }
    s.slots.push_back({{m, p ? p->updateClass : 0, now, now, expires}, key});
    s.Stored(expires);
    if (observer) observer(context, Change::New, s.slots.back().stored);
}

std::string TrafficPicture::Serialize() const {
    std::vector<TmcStoredMessage> messages;
    for (const State::Slot& slot : state_->slots) messages.push_back(slot.stored);
    return picture_text::Write(state_->offset, messages);
}

bool TrafficPicture::Restore(const std::string& text, int64_t now, std::string& error) {
    Clear();
    int offset = 0;
    std::vector<TmcStoredMessage> messages;
    if (!picture_text::Read(text, offset, messages, error)) return false;
    if (messages.size() > state_->capacity) {
        error = "the picture holds " + std::to_string(messages.size()) + " messages, more than the " +
                std::to_string(state_->capacity) + " this one keeps";
        return false;
    }
    state_->offset = offset;
    for (const TmcStoredMessage& m : messages) {
        const Key key = KeyOf(m.message);
        const bool known = std::any_of(state_->slots.begin(), state_->slots.end(),
                                       [&](const State::Slot& slot) { return slot.key == key; });
        if (m.expires > now && !known) {
            state_->slots.push_back({m, key});
            state_->Stored(m.expires);
        }
    }
    return true;
}

}  // namespace rdstmc
