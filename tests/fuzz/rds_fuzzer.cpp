// Fuzz entry point for the full RDS decoder: arbitrary groups, their type
// steered so every group kind is reached often, and after each group the
// decoder's whole state checked against the bounds its header documents.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "rdstmc_rds.h"

namespace {

using namespace rdstmc;

// Names the broken bound before stopping, so a finding explains itself.
#define Require(condition) \
    do {                                                                                \
        if (!(condition)) {                                                             \
            std::fprintf(stderr, "rds_fuzzer.cpp:%d: %s\n", __LINE__, #condition);    \
            std::abort();                                                               \
        }                                                                               \
    } while (false)

uint16_t Word(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

// A terminated string within its buffer.
template <size_t N>
size_t Text(const char (&s)[N]) {
    const void* end = std::memchr(s, 0, N);
    Require(end != nullptr);
    return static_cast<size_t>(static_cast<const char*>(end) - s);
}

// A frequency the decoder may name, in kHz: FM band II, or LF/MF.
bool Frequency(int f) { return (f >= 87600 && f <= 107900) || (f >= 153 && f <= 1602); }

void Frequencies(const int* list, int count, int capacity) {
    Require(count >= 0 && count <= capacity);
    for (int i = 0; i < count; ++i) Require(Frequency(list[i]));
}

void Check(const RdsState& s, uint32_t changes, uint16_t pi) {
    Require((changes >> 19) == 0);
    Require(s.pi == pi);
    Require(s.programmeType >= -1 && s.programmeType <= 31);
    for (int flag : {s.trafficProgramme, s.trafficAnnouncement, s.music}) Require(flag >= -1 && flag <= 1);
    Require(s.decoderIdentification >= -1 && s.decoderIdentification <= 15);
    Text(s.serviceName);
    const size_t textLength = Text(s.radioText);
    Require(s.tagCount >= 0 && s.tagCount <= 2);
    for (int i = 0; i < s.tagCount; ++i) {
        Require(s.tags[i].contentType >= 1 && s.tags[i].contentType <= 63);
        Require(Text(s.tags[i].text) <= textLength);
    }
    Require(s.extendedCountryCode >= -1 && s.extendedCountryCode <= 255);
    Frequencies(s.frequencies, s.frequencyCount, kRdsMaxFrequencies);
    Require(s.listCount >= 0 && s.listCount <= kRdsMaxFrequencyLists);
    for (int i = 0; i < s.listCount; ++i) {
        const RdsFrequencyList& l = s.lists[i];
        Require(Frequency(l.tuned));
        Frequencies(l.same, l.sameCount, kRdsMaxFrequencies);
        Frequencies(l.regional, l.regionalCount, kRdsMaxFrequencies);
    }
    if (changes & kRdsFrequenciesB) Require(s.changedList >= 0 && s.changedList < s.listCount);
    Require(s.otherNetworkCount >= 0 && s.otherNetworkCount <= kRdsMaxOtherNetworks);
    for (int i = 0; i < s.otherNetworkCount; ++i) {
        const RdsOtherNetwork& n = s.otherNetworks[i];
        Text(n.name);
        Require(n.programmeType >= -1 && n.programmeType <= 31);
        Frequencies(n.frequencies, n.frequencyCount, kRdsMaxFrequencies);
        Require(n.mappedCount >= 0 && n.mappedCount <= kRdsMaxMappedFrequencies);
    }
    if (changes & kRdsOtherNetwork) Require(s.changedOtherNetwork >= 0 && s.changedOtherNetwork < s.otherNetworkCount);
    Text(s.programmeTypeName);
    Text(s.longServiceName);
    Require(s.openDataCount >= 0 && s.openDataCount <= kRdsMaxOpenDataApplications);
    if (s.hasClock) {
        Require(s.month >= 1 && s.month <= 12 && s.day >= 1 && s.day <= 31);
        Require(s.hour <= 23 && s.minute <= 59 && s.offsetHalfHours >= -31 && s.offsetHalfHours <= 31);
    }
    Require(RdsProgrammeTypeName(s.programmeType, false) != nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RdsDecoder decoder;
    // Each group: a steering byte, then blocks B to D. The steering byte's
    // low five bits replace the group type and version (the kinds the
    // decoder reads are otherwise rare in random words); its top bit picks
    // another station.
    for (size_t at = 0; at + 7 <= size; at += 7) {
        const uint8_t steer = data[at];
        const uint16_t pi = (steer & 0x80) ? 0xD3C6 : 0xD3C5;
        uint16_t b = Word(data + at + 1);
        if (steer & 0x40) b = static_cast<uint16_t>((b & 0x07FF) | (steer & 0x1F) << 11);
        const uint32_t changes = decoder.Feed(pi, b, Word(data + at + 3), Word(data + at + 5));
        Check(decoder.State(), changes, pi);
    }
    return 0;
}
