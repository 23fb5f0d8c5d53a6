// Traffic messages, tables and the traffic picture in C.
#include <cstddef>
#include <cstring>
#include <new>

#include "c/same_layout.h"
#include "c/text_out.h"
#include "rdstmc_c.h"
#include "rdstmc_tmc.h"

struct rdstmc_tmc_decoder {
    rdstmc::TmcDecoder decoder;
};
struct rdstmc_event_table {
    rdstmc::EventTable table;
};
struct rdstmc_location_table {
    rdstmc::LocationTable table;
};
struct rdstmc_picture {
    explicit rdstmc_picture(size_t capacity) : picture(capacity) {}
    rdstmc::TrafficPicture picture;
};

namespace rdstmc::c_interface {
namespace {

// A caller's structure is usable when it is at least as large as this
// library's (`size` first): older, shorter ones are refused, not overrun.
template <class T>
bool Sized(const T* p) {
    return p != nullptr && p->size >= sizeof(T);
}

template <class T, size_t N>
void CopyArray(T (&to)[N], const T (&from)[N]) {
    std::memcpy(to, from, sizeof to);
}

// The C message is the C++ one with `size` in front.
constexpr size_t kMessageBase = offsetof(rdstmc_tmc_message, pi);
#define SAME_PLACE(c, cpp) RDSTMC_SAME_PLACE(rdstmc_tmc_message, kMessageBase, c, TmcMessage, cpp)
SAME_PLACE(pi, pi);
SAME_PLACE(ltn, ltn);
SAME_PLACE(encrypted, encrypted);
SAME_PLACE(groups, groups);
SAME_PLACE(continuity_index, continuityIndex);
SAME_PLACE(duration, duration);
SAME_PLACE(diversion, diversion);
SAME_PLACE(negative_direction, negativeDirection);
SAME_PLACE(extent, extent);
SAME_PLACE(location, location);
SAME_PLACE(urgency_change, urgencyChange);
SAME_PLACE(directionality_changed, directionalityChanged);
SAME_PLACE(duration_type_changed, durationTypeChanged);
SAME_PLACE(spoken_duration_changed, spokenDurationChanged);
SAME_PLACE(event_count, eventCount);
SAME_PLACE(events, events);
SAME_PLACE(event_block, eventBlock);
SAME_PLACE(length_of_route, lengthOfRoute);
SAME_PLACE(speed_limit, speedLimit);
SAME_PLACE(start_time, startTime);
SAME_PLACE(stop_time, stopTime);
SAME_PLACE(quantifier_count, quantifierCount);
SAME_PLACE(quantifiers, quantifiers);
SAME_PLACE(supplementary_count, supplementaryCount);
SAME_PLACE(supplementary, supplementary);
SAME_PLACE(diversion_count, diversionCount);
SAME_PLACE(diversion_route, diversionRoute);
SAME_PLACE(destination_count, destinationCount);
SAME_PLACE(destinations, destinations);
SAME_PLACE(cross_link_count, crossLinkCount);
SAME_PLACE(cross_links, crossLinks);
SAME_PLACE(reserved_labels, reservedLabels);
SAME_PLACE(ecc, ecc);
#undef SAME_PLACE
static_assert(sizeof(rdstmc_tmc_message::quantifiers) == sizeof(TmcMessage::quantifiers), "quantifier layout");
static_assert(offsetof(TmcMessage, ecc) + sizeof(int) == sizeof(TmcMessage), "the message ends with ecc");
static_assert(sizeof(rdstmc_tmc_message) - kMessageBase >= sizeof(TmcMessage), "message size");

void ToC(const TmcMessage& m, rdstmc_tmc_message& c) {
    const size_t size = c.size;
    c = rdstmc_tmc_message{};
    c.size = size;
    std::memcpy(reinterpret_cast<char*>(&c) + kMessageBase, &m, sizeof m);
}

// Counts a caller may have set out of range are kept within the arrays.
int Clamp(int count, int limit) { return count < 0 ? 0 : count > limit ? limit : count; }

TmcMessage FromC(const rdstmc_tmc_message& c) {
    TmcMessage m;
    std::memcpy(&m, reinterpret_cast<const char*>(&c) + kMessageBase, sizeof m);
    m.eventCount = Clamp(m.eventCount, TmcMessage::kMaxEvents);
    m.quantifierCount = Clamp(m.quantifierCount, TmcMessage::kMaxItems);
    for (TmcMessage::Quantifier& q : m.quantifiers) q.event = Clamp(q.event, TmcMessage::kMaxEvents - 1);
    m.supplementaryCount = Clamp(m.supplementaryCount, TmcMessage::kMaxItems);
    m.diversionCount = Clamp(m.diversionCount, TmcMessage::kMaxItems);
    m.destinationCount = Clamp(m.destinationCount, TmcMessage::kMaxItems);
    m.crossLinkCount = Clamp(m.crossLinkCount, TmcMessage::kMaxItems);
    return m;
}

void ToC(const TmcStoredMessage& s, rdstmc_stored_message& c) {
    c.message.size = sizeof c.message;
    ToC(s.message, c.message);
    c.update_class = s.updateClass;
    c.first_received = s.firstReceived;
    c.last_received = s.lastReceived;
    c.expires = s.expires;
}

void ToC(const TmcPlace& p, rdstmc_place& c) {
    c = rdstmc_place{};
    c.size = sizeof c;
    c.location = p.location;
    c.type = p.type;
    CopyOut(p.firstName, c.first_name, sizeof c.first_name);
    CopyOut(p.secondName, c.second_name, sizeof c.second_name);
    CopyOut(p.junction, c.junction, sizeof c.junction);
    c.has_coordinates = p.hasCoordinates;
    c.longitude = p.longitude;
    c.latitude = p.latitude;
}

struct ChangeForwarder {
    rdstmc_change_fn fn;
    void* user;
};

void ForwardChange(void* context, TrafficPicture::Change change, const TmcStoredMessage& stored) {
    const ChangeForwarder* forward = static_cast<const ChangeForwarder*>(context);
    if (forward->fn == nullptr) return;
    rdstmc_stored_message c;
    c.size = sizeof c;
    ToC(stored, c);
    forward->fn(forward->user, static_cast<int>(change), &c);
}

// Runs `body`, turning an exception (memory ran out) into `fallback`: none
// may cross into a C caller.
template <class R, class F>
R Guarded(R fallback, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

void CopyError(const std::string& error, char* out, size_t capacity) {
    if (out != nullptr && capacity > 0) CopyOut(error, out, capacity);
}

}  // namespace
}  // namespace rdstmc::c_interface

using namespace rdstmc;
using namespace rdstmc::c_interface;

extern "C" {

rdstmc_tmc_decoder* rdstmc_tmc_decoder_new(void) { return new (std::nothrow) rdstmc_tmc_decoder; }
void rdstmc_tmc_decoder_free(rdstmc_tmc_decoder* decoder) { delete decoder; }

int rdstmc_tmc_decoder_feed(rdstmc_tmc_decoder* decoder, uint32_t word0, uint32_t word1) {
    return decoder == nullptr ? RDSTMC_TMC_NONE : static_cast<int>(decoder->decoder.Feed(word0, word1));
}
void rdstmc_tmc_decoder_reset(rdstmc_tmc_decoder* decoder) {
    if (decoder != nullptr) decoder->decoder.Reset();
}

bool rdstmc_tmc_decoder_message(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_message* out) {
    if (decoder == nullptr || !Sized(out)) return false;
    ToC(decoder->decoder.Message(), *out);
    return true;
}

bool rdstmc_tmc_decoder_system_info(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_system_info* out) {
    if (decoder == nullptr || !Sized(out)) return false;
    const TmcSystemInfo& s = decoder->decoder.SystemInfo();
    *out = {out->size, s.pi, s.aid, s.applicationGroup, s.ltn, s.afi, s.enhancedMode, s.scopeInternational,
            s.scopeNational, s.scopeRegional, s.scopeUrban, s.gap, s.sid, s.ta, s.tw, s.td, s.ltcc, s.encrypted,
            s.encryptionId, s.ltnBeforeEncryption, s.ecc};
    return true;
}

bool rdstmc_tmc_decoder_tuning_info(const rdstmc_tmc_decoder* decoder, rdstmc_tmc_tuning_info* out) {
    if (decoder == nullptr || !Sized(out)) return false;
    const TmcTuningInfo& t = decoder->decoder.TuningInfo();
    const size_t size = out->size;
    *out = rdstmc_tmc_tuning_info{};
    out->size = size;
    out->pi = t.pi;
    out->variant = t.variant;
    CopyArray(out->provider_name, t.providerName);
    out->other_pi = t.otherPi;
    CopyArray(out->alternative_frequencies, t.alternativeFrequencies);
    out->tuning_frequency = t.tuningFrequency;
    out->mapped_frequency = t.mappedFrequency;
    CopyArray(out->other_pis, t.otherPis);
    out->other_ltn = t.otherLtn;
    out->other_scope = t.otherScope;
    out->other_sid = t.otherSid;
    return true;
}

bool rdstmc_event_info(int code, rdstmc_event_properties* out) {
    const TmcEventProperties* p = TmcEventInfo(code);
    if (p == nullptr || !Sized(out)) return false;
    *out = {out->size,
            p->code,
            static_cast<int>(p->nature),
            p->quantifierType,
            static_cast<int>(p->durationType),
            p->durationSpoken,
            p->directionality,
            static_cast<int>(p->urgency),
            p->updateClass,
            static_cast<int>(p->kind)};
    return true;
}

int rdstmc_urgency_of(const rdstmc_tmc_message* message) {
    return Sized(message) ? static_cast<int>(TmcUrgencyOf(FromC(*message))) : RDSTMC_URGENCY_NORMAL;
}

const char* rdstmc_urgency_name(int urgency) {
    if (urgency < RDSTMC_URGENCY_NORMAL || urgency > RDSTMC_URGENCY_EXTREMELY_URGENT) return "";
    return TmcUrgencyName(static_cast<TmcUrgency>(urgency));
}

size_t rdstmc_quantifier_text(int type, int value, char* text, size_t capacity) {
    return Guarded<size_t>(0, [&] { return CopyOut(TmcQuantifierText(type, value), text, capacity); });
}

bool rdstmc_clock_time_of(uint32_t word0, uint32_t word1, int64_t* utc_seconds, int* local_offset_minutes) {
    int64_t seconds = 0;
    int offset = 0;
    if (utc_seconds == nullptr || local_offset_minutes == nullptr) return false;
    if (!TmcClockTimeOf(word0, word1, seconds, offset)) return false;
    *utc_seconds = seconds;
    *local_offset_minutes = offset;
    return true;
}

int64_t rdstmc_message_expiry(const rdstmc_tmc_message* message, int64_t received, int local_offset_minutes) {
    return Sized(message) ? TmcMessageExpiry(FromC(*message), received, local_offset_minutes) : received;
}

rdstmc_event_table* rdstmc_event_table_new(void) { return new (std::nothrow) rdstmc_event_table; }
void rdstmc_event_table_free(rdstmc_event_table* table) { delete table; }

bool rdstmc_event_table_load(rdstmc_event_table* table, const char* path, char* error, size_t capacity) {
    if (table == nullptr || path == nullptr) return false;
    return Guarded(false, [&] {
        std::string reason;
        const bool loaded = table->table.Load(path, reason);
        if (!loaded) CopyError(reason, error, capacity);
        return loaded;
    });
}

size_t rdstmc_event_table_text(const rdstmc_event_table* table, int code, char* text, size_t capacity) {
    return table == nullptr ? 0 : Guarded<size_t>(0, [&] { return CopyOut(table->table.Text(code), text, capacity); });
}

size_t rdstmc_event_table_text_of(const rdstmc_event_table* table, const rdstmc_tmc_message* message, int index,
                                  char* text, size_t capacity) {
    if (table == nullptr || !Sized(message)) return 0;
    return Guarded<size_t>(0, [&] { return CopyOut(table->table.TextOf(FromC(*message), index), text, capacity); });
}

int rdstmc_event_table_urgency_of(const rdstmc_event_table* table, const rdstmc_tmc_message* message) {
    if (table == nullptr || !Sized(message)) return RDSTMC_URGENCY_NORMAL;
    return static_cast<int>(table->table.UrgencyOf(FromC(*message)));
}

size_t rdstmc_event_table_size(const rdstmc_event_table* table) { return table == nullptr ? 0 : table->table.Size(); }

rdstmc_location_table* rdstmc_location_table_new(void) { return new (std::nothrow) rdstmc_location_table; }
void rdstmc_location_table_free(rdstmc_location_table* table) { delete table; }

bool rdstmc_location_table_load(rdstmc_location_table* table, const char* directory, char* error, size_t capacity) {
    if (table == nullptr || directory == nullptr) return false;
    return Guarded(false, [&] {
        std::string reason;
        const bool loaded = table->table.Load(directory, reason);
        if (!loaded) CopyError(reason, error, capacity);
        return loaded;
    });
}

size_t rdstmc_location_table_describe(const rdstmc_location_table* table, uint16_t pi, int ltn, uint16_t location,
                                      int ecc, char* text, size_t capacity) {
    if (table == nullptr) return 0;
    return Guarded<size_t>(0, [&] { return CopyOut(table->table.Describe(pi, ltn, location, ecc), text, capacity); });
}

bool rdstmc_location_table_stretch(const rdstmc_location_table* table, const rdstmc_tmc_message* message,
                                   rdstmc_stretch* out, rdstmc_place* points, size_t capacity) {
    if (table == nullptr || !Sized(message) || !Sized(out) || (points == nullptr && capacity > 0)) return false;
    TmcStretch stretch;
    if (!Guarded(false, [&] { return table->table.Stretch(FromC(*message), stretch); })) return false;
    const size_t size = out->size;
    *out = rdstmc_stretch{};
    out->size = size;
    ToC(stretch.primary, out->primary);
    ToC(stretch.secondary, out->secondary);
    out->steps = stretch.steps;
    out->chain_ended = stretch.chainEnded;
    CopyOut(stretch.roadNumber, out->road_number, sizeof out->road_number);
    CopyOut(stretch.roadName, out->road_name, sizeof out->road_name);
    CopyOut(stretch.towards, out->towards, sizeof out->towards);
    out->point_count = stretch.points.size();
    for (size_t i = 0; i < capacity && i < stretch.points.size(); ++i) ToC(stretch.points[i], points[i]);
    return true;
}

size_t rdstmc_location_table_size(const rdstmc_location_table* table) {
    return table == nullptr ? 0 : table->table.Size();
}

rdstmc_picture* rdstmc_picture_new(size_t capacity) { return new (std::nothrow) rdstmc_picture(capacity); }
void rdstmc_picture_free(rdstmc_picture* picture) { delete picture; }

void rdstmc_picture_set_local_offset(rdstmc_picture* picture, int minutes) {
    if (picture != nullptr) picture->picture.SetLocalOffset(minutes);
}
int rdstmc_picture_local_offset(const rdstmc_picture* picture) {
    return picture == nullptr ? 0 : picture->picture.LocalOffset();
}

bool rdstmc_picture_apply(rdstmc_picture* picture, const rdstmc_tmc_message* message, int64_t now,
                          rdstmc_change_fn changed, void* user) {
    if (picture == nullptr || !Sized(message)) return false;
    ChangeForwarder forward = {changed, user};
    picture->picture.Apply(FromC(*message), now, ForwardChange, &forward);
    return true;
}

void rdstmc_picture_advance(rdstmc_picture* picture, int64_t now, rdstmc_change_fn changed, void* user) {
    if (picture == nullptr) return;
    ChangeForwarder forward = {changed, user};
    picture->picture.Advance(now, ForwardChange, &forward);
}

size_t rdstmc_picture_size(const rdstmc_picture* picture) { return picture == nullptr ? 0 : picture->picture.Size(); }

bool rdstmc_picture_at(const rdstmc_picture* picture, size_t index, rdstmc_stored_message* out) {
    if (picture == nullptr || !Sized(out) || index >= picture->picture.Size()) return false;
    ToC(picture->picture.At(index), *out);
    return true;
}

void rdstmc_picture_clear(rdstmc_picture* picture) {
    if (picture != nullptr) picture->picture.Clear();
}

size_t rdstmc_picture_serialize(const rdstmc_picture* picture, char* text, size_t capacity) {
    if (picture == nullptr) return 0;
    return Guarded<size_t>(0, [&] { return CopyOut(picture->picture.Serialize(), text, capacity); });
}

bool rdstmc_picture_restore(rdstmc_picture* picture, const char* text, int64_t now, char* error, size_t capacity) {
    if (picture == nullptr || text == nullptr) return false;
    return Guarded(false, [&] {
        std::string reason;
        const bool restored = picture->picture.Restore(text, now, reason);
        if (!restored) CopyError(reason, error, capacity);
        return restored;
    });
}

bool rdstmc_picture_save(const rdstmc_picture* picture, const char* path, char* error, size_t capacity) {
    if (picture == nullptr || path == nullptr) return false;
    return Guarded(false, [&] {
        std::string reason;
        const bool saved = picture->picture.Save(path, reason);
        if (!saved) CopyError(reason, error, capacity);
        return saved;
    });
}

bool rdstmc_picture_load(rdstmc_picture* picture, const char* path, int64_t now, char* error, size_t capacity) {
    if (picture == nullptr || path == nullptr) return false;
    return Guarded(false, [&] {
        std::string reason;
        const bool loaded = picture->picture.Load(path, now, reason);
        if (!loaded) CopyError(reason, error, capacity);
        return loaded;
    });
}

}  // extern "C"
