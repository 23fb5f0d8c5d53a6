#include "view.h"

#include "tool_support.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

namespace rdstmc::monitor {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, n < 0 ? 0 : std::min<size_t>(static_cast<size_t>(n), sizeof buffer - 1));
}

// 100 kHz units as MHz: a busy station's lists come by the thousand in a replay.
std::string Mhz(int units) {
    const int tenths = units < 0 ? -units : units;
    std::string text = (units < 0 ? "-" : "") + std::to_string(tenths / 10);
    text += '.';
    text += static_cast<char>('0' + tenths % 10);
    return text;
}

const char* StatusText(TmcStatus s) {
    switch (s) {
    case TmcStatusStopped: return "stopped";
    case TmcStatusOpenFailed: return "open failed";
    case TmcStatusNoRds: return "no RDS";
    case TmcStatusRdsOnly: return "RDS only";
    case TmcStatusTmc: return "TMC";
    }
    return "unknown";
}

const char* StatusName(TmcStatus s) {
    switch (s) {
    case TmcStatusStopped: return "Stopped";
    case TmcStatusOpenFailed: return "OpenFailed";
    case TmcStatusNoRds: return "NoRds";
    case TmcStatusRdsOnly: return "RdsOnly";
    case TmcStatusTmc: return "Tmc";
    }
    return "Unknown";
}

const char* WeekdayName(int d) {
    static const char* kNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    return d >= 1 && d <= 7 ? kNames[d - 1] : "???";
}

}  // namespace

std::string Printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F) {
            out += Format("\\x%02X", c);
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += Format("\\u%04x", c);
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string Utf8(const unsigned short* text) {
    std::string out;
    for (const unsigned short* p = text; p && *p; ++p) {
        unsigned cp = *p;
        if (cp >= 0xD800 && cp <= 0xDBFF && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (p[1] - 0xDC00);
            ++p;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

View::View(std::FILE* out, bool json, bool flushEachLine)
    : out_(out), json_(json), flushEachLine_(flushEachLine), start_(std::chrono::steady_clock::now()) {
    constexpr size_t kBlock = 1 << 16;
    if (!flushEachLine_) std::setvbuf(out_, nullptr, _IOFBF, kBlock);
}

void View::Emit(const char* event, const std::string& fields, const std::string& text, const char* label) {
    std::lock_guard<std::mutex> guard(mutex_);
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (json_) {
        // Put together by hand: a replay at full speed writes thousands of
        // lines, and printf's floating-point path was a fifth of its time.
        const long long ms = std::llround(t * 1000);
        line_.assign("{\"t\":");
        line_ += std::to_string(ms / 1000);
        const char fraction[5] = {'.', static_cast<char>('0' + ms / 100 % 10), static_cast<char>('0' + ms / 10 % 10),
                                  static_cast<char>('0' + ms % 10), 0};
        line_ += fraction;
        line_ += ",\"event\":\"";
        line_ += event;
        line_ += '"';
        if (!fields.empty()) line_ += ',';
        line_ += fields;
        line_ += "}\n";
        std::fwrite(line_.data(), 1, line_.size(), out_);
    } else {
        std::fprintf(out_, "%8.3f  %-10s %s\n", t, label ? label : event, text.c_str());
    }
    // Scripts read the output through a pipe as it happens.
    if (flushEachLine_) std::fflush(out_);
}

void View::Status(TmcStatus s) {
    Emit("status", Format("\"status\":\"%s\"", StatusName(s)), StatusText(s));
}

void View::Frequency(int frequency, int quality, int tunerMode) {
    Emit("frequency",
         Format("\"mhz\":%s,\"quality\":%d,\"tuner_mode\":%d", Mhz(frequency).c_str(), quality, tunerMode),
         Format("%s MHz  quality %d  tuner mode %d", Mhz(frequency).c_str(), quality, tunerMode));
}

void View::Health(int health) { Emit("health", Format("\"health\":%d", health), Format("%d/10", health)); }

void View::Station(unsigned pi, const unsigned short* name) {
    const std::string n = Utf8(name);
    Emit("station", Format("\"pi\":\"%04X\",\"name\":", pi) + JsonString(n),
         Format("PI %04X  \"", pi) + Printable(n) + "\"");
}

void View::RadioText(const unsigned short* text) {
    const std::string t = Utf8(text);
    Emit("text", "\"text\":" + JsonString(t), "\"" + Printable(t) + "\"");
}

void View::Time(const TmcRdsTime& t) {
    const std::string date = Format("%04d-%02d-%02d", t.year, t.month, t.day);
    const std::string clock = Format("%02d:%02d", t.hour, t.minute);
    Emit("time",
         "\"date\":" + JsonString(date) + ",\"weekday\":\"" + WeekdayName(t.weekDay) + "\",\"utc\":" +
             JsonString(clock),
         date + " " + WeekdayName(t.weekDay) + " " + clock + " UTC");
}

void View::AlternativeFrequencies(const int* list) {
    std::string json, text;
    for (int i = 0; i < 25 && list[i] != 0; ++i) {
        const std::string mhz = Mhz(list[i]);
        json += (i ? "," : "") + mhz;
        text += (i ? " " : "") + mhz;
    }
    Emit("af", "\"mhz\":[" + json + "]", text.empty() ? "(none)" : text + " MHz");
}

void View::RawGroup(unsigned word0, unsigned word1) {
    const unsigned b = word0 & 0xFFFF;
    const std::string group = Format("%u%c", b >> 12, (b >> 11) & 1 ? 'B' : 'A');
    const std::string blocks = Format("%04X %04X %04X %04X", word0 >> 16, b, word1 >> 16, word1 & 0xFFFF);
    Emit("tmc",
         "\"group\":\"" + group + Format("\",\"blocks\":[\"%04X\",\"%04X\",\"%04X\",\"%04X\"]", word0 >> 16, b,
                                         word1 >> 16, word1 & 0xFFFF),
         group + "  " + blocks);
}

std::string NumberList(const int* values, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += (i ? "," : "") + std::to_string(values[i]);
    return "[" + out + "]";
}

std::string NumberList(const uint16_t* values, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += (i ? "," : "") + std::to_string(values[i]);
    return "[" + out + "]";
}

std::string RoadWords(const TmcStretch& s) {
    if (s.roadNumber.empty()) return s.roadName;
    return s.roadName.empty() ? s.roadNumber : s.roadNumber + " " + s.roadName;
}

std::string PlaceWords(const TmcPlace& p) {
    std::string words = p.firstName;
    if (!p.secondName.empty()) words += " - " + p.secondName;
    if (!p.junction.empty()) words += (words.empty() ? "junction " : " (") + p.junction + (words.empty() ? "" : ")");
    return words.empty() ? std::to_string(p.location) : words;
}

std::string StretchWords(const TmcStretch& s) {
    std::string words = RoadWords(s);
    if (!words.empty()) words += ": ";
    words += PlaceWords(s.primary);
    if (s.steps > 0) {
        words += " \xE2\x86\x92 " + PlaceWords(s.secondary) + ", " + std::to_string(s.steps) +
                 (s.steps == 1 ? " location" : " locations");
    }
    if (s.chainEnded) words += " (the table's chain ends there)";
    if (!s.towards.empty()) words += ", towards " + s.towards;
    return words;
}

namespace {

// A message in words and as JSON members, shared by every event that shows one.
struct MessageWords {
    std::string json;
    std::string text;
};

MessageWords Describe(const TmcMessage& m, const EventTable* events, const LocationTable* locations) {
    const TmcUrgency urgency = events ? events->UrgencyOf(m) : TmcUrgencyOf(m);
    std::string json = Format("\"pi\":\"%04X\",\"ltn\":", m.pi) + (m.ltn >= 0 ? std::to_string(m.ltn) : "null");
    std::string eventCodes, text = "event";
    std::string eventTexts;
    for (int i = 0; i < m.eventCount; ++i) {
        eventCodes += (i ? "," : "") + std::to_string(m.events[i]);
        text += (i ? " + " : " ") + std::to_string(m.events[i]);
        const std::string words = events ? events->TextOf(m, i) : "";
        if (!words.empty()) text += " \"" + Printable(words) + "\"";
        eventTexts += (i ? "," : "") + JsonString(words);
    }
    json += ",\"events\":[" + eventCodes + "]";
    json += Format(",\"location\":%u,\"extent\":%d,\"direction\":\"%s\",\"diversion\":%s,\"duration\":%d,"
                   "\"urgency\":\"%s\",\"groups\":%d,\"encrypted\":%s",
                   m.location, m.extent, m.negativeDirection ? "negative" : "positive", m.diversion ? "true" : "false",
                   m.duration, TmcUrgencyName(urgency), m.groups, m.encrypted ? "true" : "false");
    // An encrypted service's location code names no place in any table.
    text += Format(m.encrypted ? " at encrypted location %u" : " at %u", m.location);
    if (m.encrypted) json += ",\"location_encrypted\":true";
    const std::string place = locations && !m.encrypted ? locations->Describe(m.pi, m.ltn, m.location, m.ecc) : "";
    TmcStretch stretch;
    if (locations != nullptr && locations->Stretch(m, stretch)) {
        text += " \"" + Printable(StretchWords(stretch)) + "\"";
        json += ",\"location_text\":" + JsonString(place) + ",\"road\":" + JsonString(RoadWords(stretch)) +
                ",\"from\":" + JsonString(PlaceWords(stretch.primary)) + ",\"to\":" +
                JsonString(PlaceWords(stretch.secondary)) + ",\"towards\":" + JsonString(stretch.towards);
    } else if (!place.empty()) {
        text += " \"" + Printable(place) + "\"";
        json += ",\"location_text\":" + JsonString(place);
    }
    if (events) json += ",\"event_texts\":[" + eventTexts + "]";
    text += Format(" ext %c%d", m.negativeDirection ? '-' : '+', m.extent);
    if (m.diversion) text += ", diversion advised";
    if (urgency != TmcUrgency::Normal) text += std::string(", ") + TmcUrgencyName(urgency);
    if (m.groups > 1) text += Format(", %d groups", m.groups);
    if (m.quantifierCount > 0) {
        std::string q;
        for (int i = 0; i < m.quantifierCount; ++i) {
            q += Format("%s{\"event\":%d,\"bits\":%d,\"value\":%d}", i ? "," : "", m.quantifiers[i].event,
                        m.quantifiers[i].bits, m.quantifiers[i].value);
        }
        json += ",\"quantifiers\":[" + q + "]";
    }
    if (m.supplementaryCount > 0) json += ",\"supplementary\":" + NumberList(m.supplementary, m.supplementaryCount);
    if (m.diversionCount > 0) json += ",\"diversion_route\":" + NumberList(m.diversionRoute, m.diversionCount);
    if (m.destinationCount > 0) json += ",\"destinations\":" + NumberList(m.destinations, m.destinationCount);
    if (m.crossLinkCount > 0) json += ",\"cross_links\":" + NumberList(m.crossLinks, m.crossLinkCount);
    if (m.lengthOfRoute >= 0) json += Format(",\"length\":%d", m.lengthOfRoute);
    if (m.speedLimit >= 0) json += Format(",\"speed_limit\":%d", m.speedLimit);
    if (m.startTime >= 0) json += Format(",\"start_time\":%d", m.startTime);
    if (m.stopTime >= 0) json += Format(",\"stop_time\":%d", m.stopTime);
    return {json, text};
}

// A stored message: the message, its update class and when it ends.
std::string StoredJson(const TmcStoredMessage& s, const EventTable* events, const LocationTable* locations) {
    return Describe(s.message, events, locations).json + Format(",\"update_class\":%d", s.updateClass) +
           ",\"expires\":\"" + tools::IsoUtc(s.expires) + "\"";
}

const char* ChangeName(TrafficPicture::Change change) {
    switch (change) {
        case TrafficPicture::Change::New: return "new";
        case TrafficPicture::Change::Update: return "update";
        case TrafficPicture::Change::Cancel: return "cancel";
        case TrafficPicture::Change::Expire: return "expire";
    }
    return "?";
}

}  // namespace

void View::TrafficMessage(const TmcMessage& m, const EventTable* events, const LocationTable* locations) {
    const MessageWords words = Describe(m, events, locations);
    Emit("tmc_message", words.json, "msg     " + words.text, "tmc");
}

void View::TrafficChange(TrafficPicture::Change change, const TmcStoredMessage& s, const EventTable* events,
                         const LocationTable* locations) {
    const char* name = ChangeName(change);
    // Only the form shown is made: a replay at full speed shows thousands.
    if (json_) {
        Emit("tmc_change", Format("\"change\":\"%s\",", name) + StoredJson(s, events, locations), "", "tmc");
        return;
    }
    std::string text = Format("%-8s", name) + Describe(s.message, events, locations).text;
    // HH:MM of the ISO time, UTC.
    if (change != TrafficPicture::Change::Cancel && change != TrafficPicture::Change::Expire) {
        text += ", until " + tools::IsoUtc(s.expires).substr(11, 5) + " UTC";
    }
    Emit("tmc_change", "", text, "tmc");
}

void View::TrafficPictureNow(const std::vector<TmcStoredMessage>& messages, const EventTable* events,
                             const LocationTable* locations) {
    std::string json;
    for (const TmcStoredMessage& s : messages) json += (json.empty() ? "{" : ",{") + StoredJson(s, events, locations) + "}";
    Emit("tmc_picture", "\"messages\":[" + json + "]",
         "picture " + std::to_string(messages.size()) + (messages.size() == 1 ? " message" : " messages"), "tmc");
    for (const TmcStoredMessage& s : messages) {
        if (!json_) {
            Emit("tmc_picture", "", "        " + Describe(s.message, events, locations).text + ", until " +
                                        tools::IsoUtc(s.expires).substr(11, 5) + " UTC", "tmc");
        }
    }
}

void View::TrafficSystem(const TmcSystemInfo& s) {
    const auto optional = [](int v) { return v >= 0 ? std::to_string(v) : std::string("null"); };
    std::string scope;
    if (s.scopeInternational) scope += "I";
    if (s.scopeNational) scope += "N";
    if (s.scopeRegional) scope += "R";
    if (s.scopeUrban) scope += "U";
    const std::string json =
        Format("\"pi\":\"%04X\",\"aid\":\"%04X\",\"ltn\":", s.pi, s.aid) + optional(s.ltn) +
        ",\"sid\":" + optional(s.sid) + ",\"gap\":" + optional(s.gap) + ",\"ltcc\":" + optional(s.ltcc) +
        (s.ecc >= 0 ? Format(",\"ecc\":\"%02X\"", s.ecc) : std::string()) +
        Format(",\"afi\":%s,\"mode\":\"%s\",\"scope\":\"%s\",\"encrypted\":%s", s.afi ? "true" : "false",
               s.enhancedMode ? "enhanced" : "basic", scope.c_str(), s.encrypted ? "true" : "false");
    std::string text = Format("system  PI %04X", s.pi);
    if (s.ltn >= 0) text += Format(", table %d", s.ltn);
    text += s.enhancedMode ? ", enhanced mode" : ", basic mode";
    if (!scope.empty()) text += ", scope " + scope;
    if (s.sid >= 0) text += Format(", SID %d", s.sid);
    if (s.gap >= 0) text += Format(", gap %d", s.gap);
    if (s.encrypted) text += ", encrypted";
    if (s.ecc >= 0) text += Format(", country %X/%02X", s.pi >> 12, s.ecc);
    Emit("tmc_system", json, text, "tmc");
}

void View::TrafficTuning(const TmcTuningInfo& t) {
    std::string json = Format("\"pi\":\"%04X\",\"variant\":%d", t.pi, t.variant), text;
    switch (t.variant) {
        case 4:
        case 5:
            json += ",\"provider\":" + JsonString(t.providerName);
            text = "provider \"" + Printable(t.providerName) + "\"";
            break;
        case 6:
            json += Format(",\"other_pi\":\"%04X\",\"mhz\":[%s,%s]", t.otherPi, Mhz(t.alternativeFrequencies[0]).c_str(),
                           Mhz(t.alternativeFrequencies[1]).c_str());
            text = Format("other network %04X on %s %s MHz", t.otherPi, Mhz(t.alternativeFrequencies[0]).c_str(),
                          Mhz(t.alternativeFrequencies[1]).c_str());
            break;
        case 7:
            json += Format(",\"other_pi\":\"%04X\",\"tuned_mhz\":%s,\"mapped_mhz\":%s", t.otherPi,
                           Mhz(t.tuningFrequency).c_str(), Mhz(t.mappedFrequency).c_str());
            text = Format("other network %04X: %s MHz maps to %s MHz", t.otherPi, Mhz(t.tuningFrequency).c_str(),
                          Mhz(t.mappedFrequency).c_str());
            break;
        case 8:
            json += Format(",\"other_pis\":[\"%04X\",\"%04X\"]", t.otherPis[0], t.otherPis[1]);
            text = Format("same service on %04X and %04X", t.otherPis[0], t.otherPis[1]);
            break;
        case 9:
            json += Format(",\"other_pi\":\"%04X\",\"ltn\":%d,\"sid\":%d", t.otherPi, t.otherLtn, t.otherSid);
            text = Format("other network %04X: table %d, SID %d", t.otherPi, t.otherLtn, t.otherSid);
            break;
        default: text = Format("variant %d", t.variant); break;
    }
    Emit("tmc_tuning", json, "tuning  " + text, "tmc");
}

void View::Device(bool present) {
    Emit("device", present ? "\"present\":true" : "\"present\":false",
         present ? "the receiver is back" : "the receiver was disconnected");
}

void View::Note(const std::string& text) { Emit("note", "\"text\":" + JsonString(text), text); }

}  // namespace rdstmc::monitor
