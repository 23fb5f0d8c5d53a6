// The names RDS gives numbers: programme types (the European table of
// IEC 62106 and the North American one of NRSC-4) and RadioText+ content
// types.
#include "rdstmc_rds.h"

namespace rdstmc {
namespace {

const char* const kProgrammeTypesRds[] = {
    "None",           "News",           "Current affairs", "Information",  "Sport",
    "Education",      "Drama",          "Culture",         "Science",      "Varied",
    "Pop music",      "Rock music",     "Easy listening",  "Light classical", "Serious classical",
    "Other music",    "Weather",        "Finance",         "Children's programmes", "Social affairs",
    "Religion",       "Phone-in",       "Travel",          "Leisure",      "Jazz music",
    "Country music",  "National music", "Oldies music",    "Folk music",   "Documentary",
    "Alarm test",     "Alarm",
};

const char* const kProgrammeTypesRbds[] = {
    "None",        "News",          "Information",    "Sports",        "Talk",
    "Rock",        "Classic rock",  "Adult hits",     "Soft rock",     "Top 40",
    "Country",     "Oldies",        "Soft",           "Nostalgia",     "Jazz",
    "Classical",   "Rhythm and blues", "Soft rhythm and blues", "Language", "Religious music",
    "Religious talk", "Personality", "Public",        "College",       "Spanish talk",
    "Spanish music", "Hip hop",     "Unassigned",     "Unassigned",    "Weather",
    "Emergency test", "Emergency",
};

const char* const kContentTypes[] = {
    "dummy_class",
    "item.title", "item.album", "item.tracknumber", "item.artist", "item.composition",
    "item.movement", "item.conductor", "item.composer", "item.band", "item.comment",
    "item.genre",
    "info.news", "info.news.local", "info.stockmarket", "info.sport", "info.lottery",
    "info.horoscope", "info.daily_diversion", "info.health", "info.event", "info.scene",
    "info.cinema", "info.stupidity.tv", "info.date_time", "info.weather", "info.traffic",
    "info.alarm", "info.advertisement", "info.url", "info.other",
    "stationname.short", "stationname.long",
    "programme.now", "programme.next", "programme.part", "programme.host",
    "programme.editorial_staff", "programme.frequency", "programme.homepage", "programme.subchannel",
    "phone.hotline", "phone.studio", "phone.other",
    "sms.studio", "sms.other",
    "email.hotline", "email.studio", "email.other",
    "mms.other",
    "chat", "chat.centre",
    "vote.question", "vote.centre",
    "rfu_class_1", "rfu_class_2",
    "private_class_1", "private_class_2", "private_class_3",
    "place", "appointment", "identifier", "purchase", "get_data",
};

static_assert(sizeof kProgrammeTypesRds / sizeof *kProgrammeTypesRds == 32);
static_assert(sizeof kProgrammeTypesRbds / sizeof *kProgrammeTypesRbds == 32);
static_assert(sizeof kContentTypes / sizeof *kContentTypes == 64);

}  // namespace

const char* RdsProgrammeTypeName(int code, bool rbds) {
    if (code < 0 || code > 31) return "";
    return rbds ? kProgrammeTypesRbds[code] : kProgrammeTypesRds[code];
}

const char* RdsContentTypeName(int code) { return code >= 0 && code < 64 ? kContentTypes[code] : ""; }

}  // namespace rdstmc
