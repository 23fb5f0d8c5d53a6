// The monitor's "rds" lines: one per item an RDS group changed, under the
// keys RDS decoders' JSON commonly uses, so scripts written for them carry over.
#include <cstdio>
#include <string>

#include "view.h"

namespace rdstmc::monitor {
namespace {

std::string Hex(int value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, static_cast<unsigned>(value));
    return buffer;
}

std::string Bool(int flag) { return flag ? "true" : "false"; }

std::string Megahertz(const int* list, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) {
        char buffer[24];
        // LF/MF frequencies are below 2 MHz and read better in kHz.
        if (list[i] < 2000) {
            std::snprintf(buffer, sizeof buffer, "%d kHz", list[i]);
        } else {
            std::snprintf(buffer, sizeof buffer, "%d.%d", list[i] / 1000, list[i] % 1000 / 100);
        }
        out += (i ? " " : "") + std::string(buffer);
    }
    return out.empty() ? "(none)" : out;
}

// Days since 1970-01-01 of a civil date, and back: the local clock may fall
// on the day before or after the broadcast UTC date.
long DaysFromCivil(long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long>(doe) - 719468;
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<long>(yoe) + era * 400 + (m <= 2));
}

// The broadcast clock as local time with its offset: 2019-05-04T17:56:00+02:00.
std::string LocalClock(const RdsState& s) {
    const long offsetMinutes = s.offsetHalfHours * 30L;
    long minutes = DaysFromCivil(s.year, static_cast<unsigned>(s.month), static_cast<unsigned>(s.day)) * 1440 +
                   s.hour * 60 + s.minute + offsetMinutes;
    long days = minutes / 1440;
    minutes %= 1440;
    if (minutes < 0) minutes += 1440, --days;
    int y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);
    const int offset = static_cast<int>(offsetMinutes < 0 ? -offsetMinutes : offsetMinutes);
    const int clock = static_cast<int>(minutes);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:00%c%02d:%02d", y, m, d, clock / 60, clock % 60,
                  offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return buffer;
}

std::string GroupName(int groupType) { return std::to_string(groupType / 2) + (groupType % 2 ? "B" : "A"); }

}  // namespace

void View::Rds(uint32_t changes, const RdsState& s) {
    const std::string pi = "\"pi\":\"" + Hex(s.pi, 4) + "\",";
    const std::string label = "PI " + Hex(s.pi, 4) + "  ";
    const auto line = [&](const std::string& json, const std::string& text) {
        Emit("rds", pi + json, label + text, "rds");
    };
    const auto text = [&](const char* key, const char* words, const char* value) {
        line(std::string("\"") + key + "\":" + JsonString(value), std::string(words) + " \"" + Printable(value) + "\"");
    };

    if (changes & kRdsServiceName) text("ps", "name", s.serviceName);
    if (changes & kRdsProgrammeType) {
        const char* name = RdsProgrammeTypeName(s.programmeType, false);
        line("\"prog_type\":" + std::to_string(s.programmeType) + ",\"prog_type_name\":" + JsonString(name) +
                 ",\"prog_type_name_rbds\":" + JsonString(RdsProgrammeTypeName(s.programmeType, true)),
             "programme type " + std::to_string(s.programmeType) + " (" + name + ")");
    }
    if (changes & kRdsTrafficProgramme) line("\"tp\":" + Bool(s.trafficProgramme), "TP " + Bool(s.trafficProgramme));
    if (changes & kRdsTrafficAnnouncement) {
        line("\"ta\":" + Bool(s.trafficAnnouncement), "TA " + Bool(s.trafficAnnouncement));
    }
    if (changes & kRdsMusic) line("\"is_music\":" + Bool(s.music), s.music ? "music" : "speech");
    if (changes & kRdsDecoderIdentification) {
        const int di = s.decoderIdentification;
        line("\"di\":{\"stereo\":" + Bool(di & 1) + ",\"artificial_head\":" + Bool(di & 2) + ",\"compressed\":" +
                 Bool(di & 4) + ",\"dynamic_pty\":" + Bool(di & 8) + "}",
             std::string("decoder: ") + (di & 1 ? "stereo" : "mono") + (di & 2 ? ", artificial head" : "") +
                 (di & 4 ? ", compressed" : "") + (di & 8 ? ", dynamic PTY" : ""));
    }
    if (changes & kRdsRadioText) text("radiotext", "text", s.radioText);
    if (changes & kRdsRadioTextPlus) {
        std::string tags, words;
        for (int i = 0; i < s.tagCount; ++i) {
            const RdsTag& t = s.tags[i];
            const char* type = RdsContentTypeName(t.contentType);
            tags += std::string(i ? "," : "") + "{\"content-type\":" + JsonString(type) + ",\"data\":" +
                    JsonString(t.text) + "}";
            words += std::string(i ? ", " : "") + type + " \"" + Printable(t.text) + "\"";
        }
        line("\"radiotext_plus\":{\"item_running\":" + Bool(s.itemRunning) + ",\"item_toggle\":" +
                 std::to_string(s.itemToggle ? 1 : 0) + ",\"tags\":[" + tags + "]}",
             "RT+ " + std::string(s.itemRunning ? "running" : "not running") + (words.empty() ? "" : ": " + words));
    }
    if (changes & kRdsProgrammeItem) {
        const RdsProgrammeItem& p = s.programmeItem;
        const int code = p.day << 11 | p.hour << 6 | p.minute;
        char clock[8], words[40];
        std::snprintf(clock, sizeof clock, "%02d:%02d", p.hour, p.minute);
        std::snprintf(words, sizeof words, "programme item: day %d, %s", p.day, clock);
        line("\"prog_item_number\":" + std::to_string(code) + ",\"prog_item_started\":{\"day\":" +
                 std::to_string(p.day) + ",\"time\":\"" + clock + "\"}",
             words);
    }
    if (changes & kRdsCountry) {
        const std::string ecc = Hex(s.extendedCountryCode, 2);
        line("\"ecc\":\"" + ecc + "\"", "extended country code " + ecc);
    }
    if (changes & kRdsLanguage) {
        const std::string language = std::to_string(s.language);
        line("\"language\":" + language, "language " + language);
    }
    if (changes & kRdsFrequenciesA) {
        line("\"alt_frequencies_a\":" + NumberList(s.frequencies, s.frequencyCount),
             "AF " + Megahertz(s.frequencies, s.frequencyCount));
    }
    if ((changes & kRdsFrequenciesB) && s.changedList >= 0 && s.changedList < s.listCount) {
        const RdsFrequencyList& l = s.lists[s.changedList];
        line("\"alt_frequencies_b\":{\"tuned_frequency\":" + std::to_string(l.tuned) + ",\"same_programme\":" +
                 NumberList(l.same, l.sameCount) + ",\"regional_variants\":" + NumberList(l.regional, l.regionalCount) +
                 "}",
             "AF on " + Megahertz(&l.tuned, 1) + ": " + Megahertz(l.same, l.sameCount) +
                 (l.regionalCount ? ", regional " + Megahertz(l.regional, l.regionalCount) : ""));
    }
    if ((changes & kRdsOtherNetwork) && s.changedOtherNetwork >= 0 && s.changedOtherNetwork < s.otherNetworkCount) {
        const RdsOtherNetwork& n = s.otherNetworks[s.changedOtherNetwork];
        std::string json = "\"other_network\":{\"pi\":\"" + Hex(n.pi, 4) + "\",\"ps\":" + JsonString(n.name) +
                           ",\"tp\":" + Bool(n.trafficProgramme) + ",\"ta\":" + Bool(n.trafficAnnouncement);
        if (n.programmeType >= 0) json += ",\"prog_type\":" + std::to_string(n.programmeType);
        if (n.lastFrequency) json += ",\"kilohertz\":" + std::to_string(n.lastFrequency);
        if (n.frequencyCount) json += ",\"alt_frequencies\":" + NumberList(n.frequencies, n.frequencyCount);
        std::string mapped;
        for (int i = 0; i < n.mappedCount; ++i) {
            mapped += std::string(i ? "," : "") + "{\"tuned_frequency\":" + std::to_string(n.mapped[i].tuned) +
                      ",\"other_frequency\":" + std::to_string(n.mapped[i].other) + "}";
        }
        if (n.mappedCount) json += ",\"mapped_frequencies\":[" + mapped + "]";
        if (n.linkage >= 0) json += ",\"linkage\":" + std::to_string(n.linkage);
        line(json + "}", "other network " + Hex(n.pi, 4) + " \"" + Printable(n.name) + "\"" +
                             (n.trafficAnnouncement ? " TA" : n.trafficProgramme ? " TP" : "") +
                             (n.frequencyCount ? " on " + Megahertz(n.frequencies, n.frequencyCount) : ""));
    }
    if (changes & kRdsProgrammeTypeName) text("pty_name", "programme type name", s.programmeTypeName);
    if (changes & kRdsLongServiceName) text("long_ps", "long name", s.longServiceName);
    if (changes & kRdsOpenData) {
        std::string apps, words;
        for (int i = 0; i < s.openDataCount; ++i) {
            const RdsOpenDataApplication& a = s.openData[i];
            apps += std::string(i ? "," : "") + "{\"oda_group\":\"" + GroupName(a.groupType) + "\",\"aid\":\"" +
                    Hex(a.aid, 4) + "\"}";
            words += std::string(i ? ", " : "") + Hex(a.aid, 4) + " in " + GroupName(a.groupType);
        }
        line("\"open_data_app\":[" + apps + "]", "applications " + words);
    }
    if ((changes & kRdsClock) && s.hasClock) {
        const std::string clock = LocalClock(s);
        line("\"clock_time\":\"" + clock + "\"", "clock " + clock);
    }
}

}  // namespace rdstmc::monitor
