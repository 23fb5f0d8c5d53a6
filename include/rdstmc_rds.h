/*
 * rdstmc_rds: all of RDS, beside the subset rdstmc.h reports.
 *
 * The module forwards every RDS group it receives. rdstmc.h's listeners
 * report what they always have (PI, a station name, radio text, method-A
 * frequencies, clock time; raw TMC groups); a program that wants the rest
 * connects an ITmcGroupListener (rdstmc_ext.h), which hears every group,
 * and feeds them to an RdsDecoder, one per station.
 *
 * RdsDecoder is pure: no threads, no I/O, no allocation after construction.
 * Feed returns what a group changed, as RdsChange bits; the decoder's
 * State() then holds the station's whole picture. Text is UTF-8 (RDS
 * character set converted), frequencies in kHz.
 *
 * Readings chosen where the standard leaves room:
 * - A group of another PI starts a new station: everything learned is
 *   forgotten and reported again as it arrives.
 * - The programme service name is taken from its four segments in order,
 *   0 to 3, and reported once two such rounds in a row agree: a name that
 *   changes mid-way is never glued from two.
 * - Radio text: a change of the A/B flag clears it. It is complete at its
 *   end character (0x0D) with every segment before it received, with all
 *   segments received, or, for a text that never sends an end, once its
 *   segments have come round a full cycle (from segment 0 back to segment 0)
 *   with none of them changing. Trailing spaces are not part of it.
 * - Alternative frequencies: a list whose every pair holds the list's first
 *   frequency is method B (one list per tuned frequency, an ascending pair
 *   naming the same programme, a descending one a regional variant); any
 *   other list is method A.
 * - RadioText+ tags are cut from the radio text complete at that moment;
 *   a new radio text drops them until the next RadioText+ group.
 */
#ifndef RDSTMC_RDS_H
#define RDSTMC_RDS_H

#include <stdint.h>

#include <memory>

#include "rdstmc_ext.h"

namespace rdstmc {

/* Group types as a group's block B codes them: 2 x type + version. */
enum RdsGroupType : unsigned {
    kRdsGroup0A, kRdsGroup0B, kRdsGroup1A, kRdsGroup1B, kRdsGroup2A, kRdsGroup2B, kRdsGroup3A, kRdsGroup3B,
    kRdsGroup4A, kRdsGroup4B, kRdsGroup5A, kRdsGroup5B, kRdsGroup6A, kRdsGroup6B, kRdsGroup7A, kRdsGroup7B,
    kRdsGroup8A, kRdsGroup8B, kRdsGroup9A, kRdsGroup9B, kRdsGroup10A, kRdsGroup10B, kRdsGroup11A, kRdsGroup11B,
    kRdsGroup12A, kRdsGroup12B, kRdsGroup13A, kRdsGroup13B, kRdsGroup14A, kRdsGroup14B, kRdsGroup15A, kRdsGroup15B,
};

/* The type of the group whose block B is `blockB`. */
inline RdsGroupType RdsGroupTypeOf(uint16_t blockB) { return static_cast<RdsGroupType>((blockB >> 11) & 0x1Fu); }

/* What one group changed: bits of RdsDecoder::Feed's result. */
enum RdsChange : uint32_t {
    kRdsPi = 1u << 0,
    kRdsProgrammeType = 1u << 1,
    kRdsTrafficProgramme = 1u << 2,
    kRdsTrafficAnnouncement = 1u << 3,
    kRdsMusic = 1u << 4,
    kRdsDecoderIdentification = 1u << 5,
    kRdsServiceName = 1u << 6,
    kRdsRadioText = 1u << 7,
    kRdsRadioTextPlus = 1u << 8,
    kRdsProgrammeItem = 1u << 9,
    kRdsCountry = 1u << 10,
    kRdsLanguage = 1u << 11,
    kRdsFrequenciesA = 1u << 12,
    kRdsFrequenciesB = 1u << 13,
    kRdsOtherNetwork = 1u << 14,
    kRdsProgrammeTypeName = 1u << 15,
    kRdsLongServiceName = 1u << 16,
    kRdsOpenData = 1u << 17,
    kRdsClock = 1u << 18,
};

enum {
    kRdsMaxFrequencies = 25,        /* one list's frequencies */
    kRdsMaxFrequencyLists = 64,     /* method-B lists, one per tuned frequency */
    kRdsMaxOtherNetworks = 16,
    kRdsMaxMappedFrequencies = 8,   /* per other network */
    kRdsMaxOpenDataApplications = 8,
    kRdsNameBytes = 8 * 3 + 1,      /* eight characters in UTF-8 */
    kRdsTextBytes = 64 * 3 + 1,     /* sixty-four characters in UTF-8 */
    kRdsLongNameBytes = 32 + 1,     /* thirty-two bytes of UTF-8 as broadcast */
};

/* A programme item number: day of month 1-31, hour, minute; day 0: none. */
struct RdsProgrammeItem {
    int day, hour, minute;
};

/* One method-B list: the frequencies of the tuned one's programme, and its regional variants. */
struct RdsFrequencyList {
    int tuned;
    int sameCount;
    int same[kRdsMaxFrequencies];
    int regionalCount;
    int regional[kRdsMaxFrequencies];
};

/* A RadioText+ tag: its content type (1-63, see RdsContentTypeName) and its text. */
struct RdsTag {
    int contentType;
    int start, length;          /* in the radio text, in characters */
    char text[kRdsTextBytes];
};

/* Another network, as enhanced other networks information (14A, 14B) describes it. */
struct RdsOtherNetwork {
    uint16_t pi;
    char name[kRdsNameBytes];   /* "" until all four segments came */
    int programmeType;          /* -1 unknown */
    bool trafficProgramme, trafficAnnouncement;
    RdsProgrammeItem programmeItem;
    int linkage;                /* linkage information, -1 unknown */
    int frequencyCount;         /* method-A frequencies */
    int frequencies[kRdsMaxFrequencies];
    int mappedCount;            /* frequency of this station -> frequency of the other */
    struct Mapping {
        int tuned, other;
    } mapped[kRdsMaxMappedFrequencies];
    int lastFrequency;          /* the frequency its last group named; 0 none */
};

struct RdsOpenDataApplication {
    int groupType;              /* 2 x type + version (e.g. 16 = 8A); 0 none */
    uint16_t aid;
};

/* All a decoder knows of its station. -1 marks a number not yet received. */
struct RdsState {
    int pi;
    int programmeType;          /* 0-31 */
    int trafficProgramme, trafficAnnouncement, music;  /* 0 or 1 */
    int decoderIdentification;  /* bit 0 stereo, 1 artificial head, 2 compressed, 3 dynamic PTY; -1 until all four came */
    char serviceName[kRdsNameBytes];
    char radioText[kRdsTextBytes];
    bool itemToggle, itemRunning;   /* RadioText+ */
    int tagCount;
    RdsTag tags[2];
    RdsProgrammeItem programmeItem;
    int extendedCountryCode;    /* ECC, with the PI's first nibble names the country */
    int language;               /* language code of group 1A */
    int frequencyCount;         /* method A */
    int frequencies[kRdsMaxFrequencies];
    int listCount;              /* method B */
    RdsFrequencyList lists[kRdsMaxFrequencyLists];
    int changedList;            /* the list kRdsFrequenciesB was about */
    int otherNetworkCount;
    RdsOtherNetwork otherNetworks[kRdsMaxOtherNetworks];
    int changedOtherNetwork;    /* the network kRdsOtherNetwork was about */
    char programmeTypeName[kRdsNameBytes];
    char longServiceName[kRdsLongNameBytes];
    int openDataCount;
    RdsOpenDataApplication openData[kRdsMaxOpenDataApplications];
    bool hasClock;              /* clock time: UTC, with the local offset */
    int year, month, day, hour, minute, offsetHalfHours;
};

class RDSTMC_API RdsDecoder {
public:
    RdsDecoder();
    ~RdsDecoder();
    RdsDecoder(const RdsDecoder&) = delete;
    RdsDecoder& operator=(const RdsDecoder&) = delete;

    /* Takes one group (blocks A to D); returns the RdsChange bits of what it changed. */
    uint32_t Feed(uint16_t a, uint16_t b, uint16_t c, uint16_t d);
    uint32_t Feed(const TmcRdsGroup& group) {
        return Feed(group.blocks[0], group.blocks[1], group.blocks[2], group.blocks[3]);
    }
    /* What the decoder knows of its station. */
    const RdsState& State() const;
    /* Forgets the station. */
    void Reset();

private:
    struct Work;                /* names, texts and lists as they come, before they are whole */
    std::unique_ptr<Work> work_;
};

/* The name of programme type `code` (0-31) in the RDS table, or in the RBDS
 * table of North America; "" out of range. */
RDSTMC_API const char* RdsProgrammeTypeName(int code, bool rbds);
/* The RadioText+ name of content type `code`: "item.title", "item.artist", ...; "" out of range. */
RDSTMC_API const char* RdsContentTypeName(int code);

}  // namespace rdstmc

#endif /* RDSTMC_RDS_H */
