// All of RDS, group by group, into one station's state. Block layouts are
// those of IEC 62106 (EN 50067) and, for RadioText+, of its published format.
#include <algorithm>
#include <cstring>

#include "data/rds_charset.h"
#include "rds/blocks.h"
#include "rdstmc_rds.h"
#include "text/text.h"

namespace rdstmc {
namespace {


constexpr uint16_t kRadioTextPlusAid = 0x4BD7;
constexpr unsigned char kEndOfText = 0x0D;
constexpr int kTextSegments = 16;

using rds::LfMfKilohertz;

// An FM carrier's code in kHz, as the state holds frequencies; 0 for none.
int CarrierKilohertz(unsigned code) { return 100 * rds::FmCarrier(code); }

// RDS bytes as UTF-8, zero-terminated, cut at a whole character. A zero
// byte is no character: kept, it would end the text early.
void ToUtf8(const unsigned char* bytes, int length, char* out, size_t capacity) {
    size_t n = 0;
    for (int i = 0; i < length; ++i) {
        char units[4];
        const unsigned codePoint = RdsCharToUnicode(bytes[i]);
        if (codePoint == 0) continue;
        const size_t k = text::EncodeUtf8(codePoint, units);
        if (n + k + 1 > capacity) break;
        std::memcpy(out + n, units, k);
        n += k;
    }
    out[n] = 0;
}

bool ValidUtf8(const unsigned char* s, int length) {
    for (int i = 0; i < length; ++i) {
        const unsigned char c = s[i];
        if (c < 0x80) continue;
        const int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
        if (extra == 0 || i + extra >= length) return false;
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
        }
        i += extra;
    }
    return true;
}

template <class T>
uint32_t Set(T& field, T value, uint32_t bit) {
    if (field == value) return 0;
    field = value;
    return bit;
}

template <size_t N>
uint32_t SetText(char (&field)[N], const char* value, uint32_t bit) {
    if (std::strcmp(field, value) == 0) return 0;
    const size_t length = std::min(std::strlen(value), N - 1);
    std::memcpy(field, value, length);
    field[length] = 0;
    return bit;
}

void Bytes(uint16_t block, unsigned char* out) { rds::BlockBytes(block, out); }

// A name sent in segments, taken in order from segment 0 in one round.
struct InOrder {
    int next = -1;  // the segment awaited; -1 until segment 0
    int flag = -1;  // the A/B flag of the round; -1 none

    // Takes segment `address` (`width` bytes of `chars`) into `bytes`; true
    // when it was segment `last`, completing the round.
    bool Take(int address, int last, int abFlag, const unsigned char* chars, int width, unsigned char* bytes) {
        if (abFlag != flag) next = -1;  // a change of the A/B flag starts a new name
        flag = abFlag;
        unsigned char* at = bytes + address * width;
        if (address != 0 && address != next) {
            // A copy of the segment just taken changes nothing; any other
            // segment breaks the round.
            const bool copy = address == next - 1 && std::memcmp(at, chars, static_cast<size_t>(width)) == 0;
            if (!copy) next = -1;
            return false;
        }
        std::memcpy(at, chars, static_cast<size_t>(width));
        next = address + 1;
        return address == last;
    }
};

// A frequency list as it comes: the first frequency, sent with the count,
// then the pairs of codes after it.
struct FrequencyAssembly {
    int expected = -1;  // frequencies the list announced; -1 none in assembly
    int received = 0;
    int first = 0;
    int pairCount = 0;
    struct Pair {
        int first, second;  // kHz; second 0 for an LF/MF frequency
    } pairs[kRdsMaxFrequencies];

    // Takes the two codes of one block; true when they completed the list.
    bool Take(unsigned high, unsigned low) {
        if (rds::IsAfCount(high)) {
            expected = rds::AfCount(high);
            pairCount = 0;
            first = CarrierKilohertz(low);
            received = first != 0 ? 1 : 0;
            return received >= expected;
        }
        if (expected < 0) return false;
        Pair p = {0, 0};
        if (high == rds::kAfLfMfFollows) {
            p.first = LfMfKilohertz(low);
        } else {
            p.first = CarrierKilohertz(high);
            p.second = CarrierKilohertz(low);
        }
        if (p.first == 0 && p.second == 0) return false;  // fillers
        // With groups lost in reception, pairs of the next list (or of this
        // one's next round) follow without the count that opens it: a pair
        // already taken, or one without the tuned frequency in a list that
        // has shown itself method B, ends this list unfinished rather than
        // gluing two together.
        const bool repeated = std::any_of(pairs, pairs + pairCount,
                                          [&](const Pair& q) { return q.first == p.first && q.second == p.second; });
        if (repeated || (pairCount > 0 && HoldsTuned(pairs[0]) && !HoldsTuned(p))) {
            expected = -1;
            return false;
        }
        if (pairCount < kRdsMaxFrequencies) pairs[pairCount++] = p;
        received += (p.first != 0) + (p.second != 0);
        return received >= expected;
    }

    // A method-B pair: two FM frequencies, one of them the tuned one.
    bool HoldsTuned(const Pair& p) const {
        return first != 0 && p.first != 0 && p.second != 0 && (p.first == first) != (p.second == first);
    }

    // Method B: every pair holds the first frequency, the tuned one.
    bool MethodB() const {
        return pairCount > 0 && std::all_of(pairs, pairs + pairCount, [&](const Pair& p) { return HoldsTuned(p); });
    }

    // The list as method A: every frequency in order.
    int MethodA(int* out) const {
        int n = 0;
        const auto add = [&](int f) {
            if (f != 0 && n < kRdsMaxFrequencies) out[n++] = f;
        };
        add(first);
        for (int i = 0; i < pairCount; ++i) {
            add(pairs[i].first);
            add(pairs[i].second);
        }
        return n;
    }
};

bool SameList(const int* a, int na, const int* b, int nb) {
    return na == nb && std::memcmp(a, b, sizeof(int) * static_cast<size_t>(na)) == 0;
}

struct NetworkAssembly {
    unsigned char ps[8];
    int psReceived;
    FrequencyAssembly frequencies;
};

}  // namespace

struct RdsDecoder::Work {
    RdsState state;
    unsigned char psBytes[8], ptynBytes[8], longPsBytes[32];
    InOrder ps, ptyn, longPs;
    unsigned char psLastRound[8];  // the name the last whole round gave
    bool psHaveLastRound;
    // Radio text: the segments as they come, and the last complete text.
    unsigned char rtBytes[64], rtComplete[64];
    int rtFlag, rtVersion, rtEnd, rtLast, rtHighest, rtCompleteLength;
    uint32_t rtReceived;
    bool rtChangedInCycle;
    int diBits, diReceived;
    int radioTextPlusGroup;  // the group type RadioText+ is sent in; -1 not announced
    FrequencyAssembly frequencies;
    NetworkAssembly networks[kRdsMaxOtherNetworks];

    void Clear() {
        std::memset(&state, 0, sizeof state);
        state.pi = state.programmeType = -1;
        state.trafficProgramme = state.trafficAnnouncement = state.music = -1;
        state.decoderIdentification = state.extendedCountryCode = state.language = -1;
        state.changedList = state.changedOtherNetwork = -1;
        ps = ptyn = longPs = InOrder();
        psHaveLastRound = false;
        ClearRadioText();
        rtFlag = rtVersion = -1;
        rtCompleteLength = 0;
        diBits = diReceived = 0;
        radioTextPlusGroup = -1;
        frequencies = FrequencyAssembly();
        for (NetworkAssembly& n : networks) n = NetworkAssembly{{}, 0, FrequencyAssembly()};
    }

    void ClearRadioText() {
        std::memset(rtBytes, ' ', sizeof rtBytes);
        rtReceived = 0;
        rtEnd = rtLast = rtHighest = -1;
        rtChangedInCycle = false;
    }

    uint32_t Basic(uint16_t b, uint16_t d, unsigned group);
    uint32_t ProgrammeItem(uint16_t c, uint16_t d, bool versionB);
    uint32_t RadioText(uint16_t b, uint16_t c, uint16_t d, bool versionB);
    uint32_t TakeRadioText(int length);
    uint32_t RadioTextPlus(uint16_t b, uint16_t c, uint16_t d);
    uint32_t OpenData(uint16_t b, uint16_t d);
    uint32_t Clock(uint16_t b, uint16_t c, uint16_t d);
    uint32_t ProgrammeTypeName(uint16_t b, uint16_t c, uint16_t d);
    uint32_t LongName(uint16_t b, uint16_t c, uint16_t d);
    uint32_t OtherNetwork(uint16_t b, uint16_t c, uint16_t d, bool versionB);
    uint32_t Frequencies(uint16_t c);
    int NetworkIndex(uint16_t pi, bool& added);
};

// PTY and TP in every group; TA, music/speech, DI and the name in 0A, 0B and 15B.
uint32_t RdsDecoder::Work::Basic(uint16_t b, uint16_t d, unsigned group) {
    uint32_t out = Set(state.programmeType, rds::ProgrammeType(b), kRdsProgrammeType);
    out |= Set(state.trafficProgramme, rds::TrafficProgramme(b), kRdsTrafficProgramme);
    if (group != kRdsGroup0A && group != kRdsGroup0B && group != kRdsGroup15B) return out;
    out |= Set(state.trafficAnnouncement, (b >> 4) & 1, kRdsTrafficAnnouncement);
    out |= Set(state.music, (b >> 3) & 1, kRdsMusic);
    const int address = rds::ServiceNameAddress(b);
    // Segment 0 carries d3 (dynamic PTY), segment 3 carries d0 (stereo).
    const int bit = 3 - address;
    diBits = (diBits & ~(1 << bit)) | (((b >> 2) & 1) << bit);
    diReceived |= 1 << bit;
    if (diReceived == 0xF) out |= Set(state.decoderIdentification, diBits, kRdsDecoderIdentification);
    if (group == kRdsGroup15B) return out;
    unsigned char chars[2];
    Bytes(d, chars);
    if (!ps.Take(address, 3, 0, chars, 2, psBytes)) return out;
    // Two whole rounds in a row must agree: a station that changes its name
    // mid-round sends one round that is half of each.
    const bool agreed = psHaveLastRound && std::memcmp(psBytes, psLastRound, sizeof psBytes) == 0;
    std::memcpy(psLastRound, psBytes, sizeof psBytes);
    psHaveLastRound = true;
    if (!agreed) return out;
    char name[kRdsNameBytes];
    ToUtf8(psBytes, 8, name, sizeof name);
    return out | SetText(state.serviceName, name, kRdsServiceName);
}

uint32_t RdsDecoder::Work::Frequencies(uint16_t c) {
    if (!frequencies.Take(c >> 8, c & 0xFF)) return 0;
    const FrequencyAssembly& f = frequencies;
    frequencies.expected = -1;
    if (!f.MethodB()) {
        int list[kRdsMaxFrequencies];
        const int n = f.MethodA(list);
        if (SameList(list, n, state.frequencies, state.frequencyCount)) return 0;
        std::memcpy(state.frequencies, list, sizeof list);
        state.frequencyCount = n;
        return kRdsFrequenciesA;
    }
    RdsFrequencyList list = {};
    list.tuned = f.first;
    for (int i = 0; i < f.pairCount; ++i) {
        const auto& p = f.pairs[i];
        const int other = p.first == f.first ? p.second : p.first;
        // Ascending: the same programme; descending: a regional variant.
        if (p.first < p.second) {
            list.same[list.sameCount++] = other;
        } else {
            list.regional[list.regionalCount++] = other;
        }
    }
    int at = 0;
    while (at < state.listCount && state.lists[at].tuned != list.tuned) ++at;
    if (at == kRdsMaxFrequencyLists) return 0;
    if (at < state.listCount && std::memcmp(&state.lists[at], &list, sizeof list) == 0) return 0;
    state.lists[at] = list;
    if (at == state.listCount) ++state.listCount;
    state.changedList = at;
    return kRdsFrequenciesB;
}

uint32_t RdsDecoder::Work::ProgrammeItem(uint16_t c, uint16_t d, bool versionB) {
    const RdsProgrammeItem item = {d >> 11, (d >> 6) & 0x1F, d & 0x3F};
    uint32_t out = 0;
    if (std::memcmp(&item, &state.programmeItem, sizeof item) != 0) {
        state.programmeItem = item;
        out |= kRdsProgrammeItem;
    }
    if (versionB) return out;
    switch ((c >> 12) & 7) {
        case 0: out |= Set(state.extendedCountryCode, c & 0xFF, kRdsCountry); break;
        case 3: out |= Set(state.language, c & 0xFF, kRdsLanguage); break;
        default: break;
    }
    return out;
}

uint32_t RdsDecoder::Work::RadioText(uint16_t b, uint16_t c, uint16_t d, bool versionB) {
    const rds::RadioTextSegment segment = rds::RadioTextSegmentOf(b, c, d);
    const int flag = segment.abFlag;
    const int address = segment.address;
    const int width = segment.width;
    const unsigned char* chars = segment.chars;
    if (flag != rtFlag || static_cast<int>(versionB) != rtVersion) {
        // A toggle of the A/B flag announces a new text; the other version too.
        ClearRadioText();
        rtFlag = flag;
        rtVersion = versionB;
    }
    unsigned char* at = rtBytes + address * width;
    const uint32_t bit = 1u << address;
    if ((rtReceived & bit) && std::memcmp(at, chars, static_cast<size_t>(width)) != 0) {
        // A segment changed without a toggle: a new text, from here on.
        ClearRadioText();
        rtChangedInCycle = true;
    }
    std::memcpy(at, chars, static_cast<size_t>(width));
    rtReceived |= bit;
    if (address > rtHighest) rtHighest = address;
    for (int i = 0; i < width; ++i) {
        const int position = address * width + i;
        if (chars[i] == kEndOfText && (rtEnd < 0 || position < rtEnd)) rtEnd = position;
    }

    uint32_t out = 0;
    if (rtEnd >= 0) {
        const uint32_t before = (2u << (rtEnd / width)) - 1;  // the segments up to the end's
        if ((rtReceived & before) == before) out = TakeRadioText(rtEnd);
    } else if (rtReceived == (1u << kTextSegments) - 1) {
        out = TakeRadioText(kTextSegments * width);
    } else if (address == 0 && rtLast > 0) {
        // Back at segment 0: a text that sends no end is whole once a full
        // round of its segments came with none of them changing.
        const uint32_t round = (2u << rtHighest) - 1;
        if (!rtChangedInCycle && (rtReceived & round) == round) out = TakeRadioText((rtHighest + 1) * width);
        rtChangedInCycle = false;
    }
    rtLast = address;
    return out;
}

uint32_t RdsDecoder::Work::TakeRadioText(int length) {
    while (length > 0 && rtBytes[length - 1] == ' ') --length;
    std::memcpy(rtComplete, rtBytes, static_cast<size_t>(length));
    rtCompleteLength = length;
    char text[kRdsTextBytes];
    ToUtf8(rtComplete, length, text, sizeof text);
    uint32_t out = SetText(state.radioText, text, kRdsRadioText);
    // The tags were cut from the text before; the next RadioText+ group
    // cuts them from this one.
    if (out != 0 && state.tagCount > 0) {
        state.tagCount = 0;
        std::memset(state.tags, 0, sizeof state.tags);
        out |= kRdsRadioTextPlus;
    }
    return out;
}

uint32_t RdsDecoder::Work::RadioTextPlus(uint16_t b, uint16_t c, uint16_t d) {
    struct Raw {
        int type, start, length;
    };
    const Raw raw[2] = {
        {((b & 7) << 3) | (c >> 13), (c >> 7) & 0x3F, (c >> 1) & 0x3F},
        {((c & 1) << 5) | (d >> 11), (d >> 5) & 0x3F, d & 0x1F},
    };
    RdsTag tags[2] = {};
    int count = 0;
    for (const Raw& r : raw) {
        // Type 0 is no tag; a tag beyond the text names text not yet received.
        if (r.type == 0 || r.start + r.length >= rtCompleteLength) continue;
        RdsTag& t = tags[count++];
        t.contentType = r.type;
        t.start = r.start;
        t.length = r.length + 1;
        ToUtf8(rtComplete + r.start, t.length, t.text, sizeof t.text);
    }
    uint32_t out = Set(state.itemToggle, ((b >> 4) & 1) != 0, kRdsRadioTextPlus);
    out |= Set(state.itemRunning, ((b >> 3) & 1) != 0, kRdsRadioTextPlus);
    if (count != state.tagCount || std::memcmp(tags, state.tags, sizeof tags) != 0) {
        std::memcpy(state.tags, tags, sizeof tags);
        state.tagCount = count;
        out |= kRdsRadioTextPlus;
    }
    return out;
}

uint32_t RdsDecoder::Work::OpenData(uint16_t b, uint16_t d) {
    const int group = b & 0x1F;
    if (d == kRadioTextPlusAid) radioTextPlusGroup = group;
    int at = 0;
    while (at < state.openDataCount && state.openData[at].aid != d) ++at;
    if (at == kRdsMaxOpenDataApplications) return 0;
    if (at < state.openDataCount && state.openData[at].groupType == group) return 0;
    state.openData[at] = {group, d};
    if (at == state.openDataCount) ++state.openDataCount;
    return kRdsOpenData;
}

uint32_t RdsDecoder::Work::Clock(uint16_t b, uint16_t c, uint16_t d) {
    const rds::ClockTime t = rds::ClockTimeOf(b, c, d);
    if (!rds::IsValid(t)) return 0;
    const rds::Date date = rds::DateOfMjd(t.mjd);
    const bool same = state.hasClock && state.year == date.year && state.month == date.month &&
                      state.day == date.day && state.hour == t.hour && state.minute == t.minute &&
                      state.offsetHalfHours == t.offsetHalfHours;
    if (same) return 0;
    state.hasClock = true;
    state.year = date.year;
    state.month = date.month;
    state.day = date.day;
    state.hour = t.hour;
    state.minute = t.minute;
    state.offsetHalfHours = t.offsetHalfHours;
    return kRdsClock;
}

uint32_t RdsDecoder::Work::ProgrammeTypeName(uint16_t b, uint16_t c, uint16_t d) {
    unsigned char chars[4];
    Bytes(c, chars);
    Bytes(d, chars + 2);
    if (!ptyn.Take(b & 1, 1, (b >> 4) & 1, chars, 4, ptynBytes)) return 0;
    char name[kRdsNameBytes];
    ToUtf8(ptynBytes, 8, name, sizeof name);
    return SetText(state.programmeTypeName, name, kRdsProgrammeTypeName);
}

// The long name is UTF-8 as broadcast, ended by 0x0D when shorter than 32 bytes.
uint32_t RdsDecoder::Work::LongName(uint16_t b, uint16_t c, uint16_t d) {
    unsigned char chars[4];
    Bytes(c, chars);
    Bytes(d, chars + 2);
    const int address = b & 7;
    const void* end = std::memchr(chars, kEndOfText, sizeof chars);
    if (!longPs.Take(address, end ? address : 7, 0, chars, 4, longPsBytes)) return 0;
    int length = address * 4 + (end ? static_cast<int>(static_cast<const unsigned char*>(end) - chars) : 4);
    while (length > 0 && longPsBytes[length - 1] == ' ') --length;
    if (!ValidUtf8(longPsBytes, length)) return 0;
    char name[kRdsLongNameBytes];
    std::memcpy(name, longPsBytes, static_cast<size_t>(length));
    name[length] = 0;
    return SetText(state.longServiceName, name, kRdsLongServiceName);
}

// The other network `pi`, added when new; -1 when there is no room for it.
int RdsDecoder::Work::NetworkIndex(uint16_t pi, bool& added) {
    added = false;
    for (int i = 0; i < state.otherNetworkCount; ++i) {
        if (state.otherNetworks[i].pi == pi) return i;
    }
    if (state.otherNetworkCount == kRdsMaxOtherNetworks) return -1;
    RdsOtherNetwork& n = state.otherNetworks[state.otherNetworkCount];
    n = RdsOtherNetwork{};
    n.pi = pi;
    n.programmeType = n.linkage = -1;
    networks[state.otherNetworkCount] = NetworkAssembly{{}, 0, FrequencyAssembly()};
    added = true;
    return state.otherNetworkCount++;
}

uint32_t RdsDecoder::Work::OtherNetwork(uint16_t b, uint16_t c, uint16_t d, bool versionB) {
    bool changed = false;
    const int index = NetworkIndex(d, changed);
    if (index < 0) return 0;
    RdsOtherNetwork& n = state.otherNetworks[index];
    NetworkAssembly& work = networks[index];
    changed |= Set(n.trafficProgramme, ((b >> 4) & 1) != 0, 1u) != 0;
    if (versionB) {
        changed |= Set(n.trafficAnnouncement, ((b >> 3) & 1) != 0, 1u) != 0;
    } else {
        const int variant = b & 0xF;
        if (variant <= 3) {
            // Segments of the name, in any order; one that changes starts the name anew.
            unsigned char chars[2];
            Bytes(c, chars);
            unsigned char* at = work.ps + 2 * variant;
            if ((work.psReceived & (1 << variant)) && std::memcmp(at, chars, 2) != 0) work.psReceived = 0;
            std::memcpy(at, chars, 2);
            work.psReceived |= 1 << variant;
            if (work.psReceived == 0xF) {
                char name[kRdsNameBytes];
                ToUtf8(work.ps, 8, name, sizeof name);
                changed |= SetText(n.name, name, 1u) != 0;
            }
        } else if (variant == 4) {
            FrequencyAssembly& f = work.frequencies;
            if (f.Take(c >> 8, c & 0xFF)) {
                int list[kRdsMaxFrequencies];
                const int count = f.MethodA(list);
                f.expected = -1;
                if (!SameList(list, count, n.frequencies, n.frequencyCount)) {
                    std::memcpy(n.frequencies, list, sizeof list);
                    n.frequencyCount = count;
                    changed = true;
                }
                if (count > 0) n.lastFrequency = list[count - 1];
            }
        } else if (variant <= 9) {
            // A frequency of this station mapped to one of the other: FM (5-8) or, in 9, AM.
            const int tuned = CarrierKilohertz(c >> 8);
            const int other = variant == 9 ? LfMfKilohertz(c & 0xFF) : CarrierKilohertz(c & 0xFF);
            if (tuned != 0 && other != 0) {
                n.lastFrequency = other;
                int at = 0;
                while (at < n.mappedCount && !(n.mapped[at].tuned == tuned && n.mapped[at].other == other)) ++at;
                if (at == n.mappedCount && at < kRdsMaxMappedFrequencies) {
                    n.mapped[n.mappedCount++] = {tuned, other};
                    changed = true;
                }
            }
        } else if (variant == 12) {
            changed |= Set(n.linkage, static_cast<int>(c), 1u) != 0;
        } else if (variant == 13) {
            changed |= Set(n.programmeType, c >> 11, 1u) != 0;
            changed |= Set(n.trafficAnnouncement, (c & 1) != 0, 1u) != 0;
        } else if (variant == 14) {
            const RdsProgrammeItem item = {c >> 11, (c >> 6) & 0x1F, c & 0x3F};
            if (std::memcmp(&item, &n.programmeItem, sizeof item) != 0) {
                n.programmeItem = item;
                changed = true;
            }
        }
    }
    if (!changed) return 0;
    state.changedOtherNetwork = index;
    return kRdsOtherNetwork;
}

RdsDecoder::RdsDecoder() : work_(new Work) { work_->Clear(); }

RdsDecoder::~RdsDecoder() = default;

const RdsState& RdsDecoder::State() const { return work_->state; }

void RdsDecoder::Reset() { work_->Clear(); }

uint32_t RdsDecoder::Feed(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    Work& w = *work_;
    uint32_t out = 0;
    if (w.state.pi != a) {
        // Another station: nothing learned of the last one holds.
        w.Clear();
        w.state.pi = a;
        out |= kRdsPi;
    }
    const RdsGroupType group = RdsGroupTypeOf(b);
    const bool versionB = (group & 1) != 0;
    out |= w.Basic(b, d, group);
    if (static_cast<int>(group) == w.radioTextPlusGroup && group != kRdsGroup3A) return out | w.RadioTextPlus(b, c, d);
    switch (group) {
        case kRdsGroup0A: out |= w.Frequencies(c); break;
        case kRdsGroup1A:
        case kRdsGroup1B: out |= w.ProgrammeItem(c, d, versionB); break;
        case kRdsGroup2A:
        case kRdsGroup2B: out |= w.RadioText(b, c, d, versionB); break;
        case kRdsGroup3A: out |= w.OpenData(b, d); break;
        case kRdsGroup4A: out |= w.Clock(b, c, d); break;
        case kRdsGroup10A: out |= w.ProgrammeTypeName(b, c, d); break;
        case kRdsGroup14A:
        case kRdsGroup14B: out |= w.OtherNetwork(b, c, d, versionB); break;
        case kRdsGroup15A: out |= w.LongName(b, c, d); break;
        default: break;
    }
    return out;
}

}  // namespace rdstmc
