/*
 * rdstmc_tmc: RDS-TMC traffic messages (ISO 14819-1, "Alert-C") decoded from
 * the raw groups that rdstmc hands to an ITmcRawDataListener.
 *
 *   rdstmc::TmcDecoder decoder;                      // one per station
 *   void OnRawData(const unsigned& w0, const unsigned& w1) override {
 *       if (decoder.Feed(w0, w1) == rdstmc::TmcDecoder::Result::Message)
 *           show(decoder.Message());                 // valid during this call
 *   }
 *
 * The decoder is a pure component: no threads, no I/O, no allocation after
 * construction; call it from one thread at a time. Event codes and location
 * codes come out as numbers; EventTable and LocationTable turn them into
 * words when a program loads tables it is licensed to use (none ship here).
 */
#ifndef RDSTMC_TMC_H
#define RDSTMC_TMC_H

#include <stdint.h>

#include <string>
#include <vector>

#include "rdstmc.h"

namespace rdstmc {

/* ---- System information (group 3A for TMC, and the encryption group) ----- */

struct TmcSystemInfo {
    uint16_t pi;                /* station that sent it */
    uint16_t aid;               /* 0xCD46 or 0xCD47; 0 until a 3A group was seen */
    int applicationGroup;       /* group type carrying TMC, as 2 x type + version (16 = 8A) */
    /* Variant 0 */
    int ltn;                    /* location table number 1-63; 0 for an encrypted service; -1 unknown */
    bool afi;                   /* other frequencies carry the same service */
    bool enhancedMode;          /* mode of transmission: enhanced (timing below applies) */
    bool scopeInternational, scopeNational, scopeRegional, scopeUrban;
    /* Variant 1 */
    int gap;                    /* groups between TMC groups in basic mode: 3, 5, 8 or 11; -1 unknown */
    int sid;                    /* service identifier 0-63; -1 unknown */
    int ta, tw, td;             /* enhanced mode timing codes 0-3 (activity, window, delay); -1 unknown */
    int ltcc;                   /* location table country code 1-15 (basic mode); -1 not sent */
    /* Encryption administration group (variant 0) */
    bool encrypted;             /* the service is encrypted: locations are not table codes */
    int encryptionId;           /* ENCID 0-31; -1 not sent */
    int ltnBeforeEncryption;    /* LTNBE 0-63; -1 not sent */
};

/* ---- Traffic messages ---------------------------------------------------- */

enum class TmcUrgency { Normal = 0, Urgent = 1, ExtremelyUrgent = 2 };

/* One traffic message, single-group or assembled from up to five groups,
 * with the optional content of a multi-group message parsed label by label. */
struct TmcMessage {
    enum { kMaxEvents = 8, kMaxItems = 12 };

    uint16_t pi;                /* station that sent it */
    int ltn;                    /* table of `location` (from the system information); -1 unknown */
    bool encrypted;             /* encrypted service: `location` is not a table location */
    int groups;                 /* 1 for a single-group message, else 2-5 */
    int continuityIndex;        /* multi-group messages 1-6; 0 for a single group */

    int duration;               /* duration and persistence code 0-7: the single group's DP, or label 0 */
    bool diversion;             /* diversion advised: single-group bit, or control code 5 */
    bool negativeDirection;     /* direction bit: the problem extends in negative direction */
    int extent;                 /* locations the problem extends over, 0-31 (control codes 6, 7 added) */
    uint16_t location;          /* primary location code */

    int urgencyChange;          /* net steps from control codes 0 (+1) and 1 (-1) */
    bool directionalityChanged; /* control code 2: one-way/both-ways of the event's default swapped */
    bool durationTypeChanged;   /* control code 3: dynamic/longer-lasting swapped */
    bool spokenDurationChanged; /* control code 4: spoken/unspoken duration swapped */

    int eventCount;             /* the main event first, then label 9 additional events in order */
    uint16_t events[kMaxEvents];
    int eventBlock[kMaxEvents]; /* information block of each event: label 14 separators start a new one */

    int lengthOfRoute;          /* label 2, 0-31 (the standard's length code); -1 absent */
    int speedLimit;             /* label 3, 0-31 (5 km/h steps); -1 absent */
    int startTime, stopTime;    /* labels 7 and 8, 0-255 (the standard's time code); -1 absent */

    struct Quantifier {
        int event;              /* index into `events` it applies to */
        int bits;               /* 5 (label 4) or 8 (label 5) */
        int value;
    };
    int quantifierCount;
    Quantifier quantifiers[kMaxItems];
    int supplementaryCount;     /* label 6 supplementary information codes */
    int supplementary[kMaxItems];
    int diversionCount;         /* label 10 locations of the diversion route, in order */
    uint16_t diversionRoute[kMaxItems];
    int destinationCount;       /* label 11 destinations the message concerns */
    uint16_t destinations[kMaxItems];
    int crossLinkCount;         /* label 13 locations the problem's source lies at */
    uint16_t crossLinks[kMaxItems];
    bool reservedLabels;        /* labels 12 or 15 (reserved) were present and skipped */
};

/* ---- Tuning information (8A with the T bit) ------------------------------- */

struct TmcTuningInfo {
    uint16_t pi;                /* station that sent it */
    int variant;                /* 4-9 decoded below; other variants are reported with only this */
    char providerName[9];       /* variants 4, 5: service provider name, blanks until sent, terminated */
    uint16_t otherPi;           /* variants 6, 7, 9: PI of the other network */
    int alternativeFrequencies[2]; /* variant 6: 100 kHz units (875 = 87.5 MHz), 0 if none */
    int tuningFrequency, mappedFrequency; /* variant 7: 100 kHz units */
    uint16_t otherPis[2];       /* variant 8: two other networks' PI codes */
    int otherLtn, otherScope, otherSid; /* variant 9: LTN, message geographical scope bits, SID */
};

/* ---- The decoder ---------------------------------------------------------- */

class RDSTMC_API TmcDecoder {
public:
    enum class Result {
        None,            /* nothing new: another group type, a part of a message, a repetition, or bad input */
        SystemInfo,      /* SystemInfo() changed */
        Message,         /* Message() holds a new message */
        TuningInfo,      /* TuningInfo() holds the group just decoded */
    };

    TmcDecoder();

    /* Takes one group as OnRawData gives it: word0 = A << 16 | B, word1 = C << 16 | D.
     * Groups other than 3A and 8A give None. */
    Result Feed(uint32_t word0, uint32_t word1);
    Result FeedBlocks(uint16_t a, uint16_t b, uint16_t c, uint16_t d);

    /* A multi-group message is reported when its last group arrives; one
     * whose groups are missing, out of sequence or interrupted by another
     * user message is dropped, never guessed. Repetition: a message whose
     * groups are identical to those of the message completed just before
     * (same PI, same blocks B, C and D) is a repetition of it and is not
     * reported again, so a burst of copies gives one Message; any other
     * message in between ends the burst. */
    const TmcMessage& Message() const { return message_; }
    const TmcSystemInfo& SystemInfo() const { return system_; }
    const TmcTuningInfo& TuningInfo() const { return tuning_; }

    /* Forgets the station: system information, a message in assembly, the last message. */
    void Reset();

private:
    Result SystemGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result UserGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result TuningGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result EncryptionGroup(uint16_t pi, uint16_t c, uint16_t d);
    Result Complete();

    TmcSystemInfo system_;
    TmcMessage message_;
    TmcTuningInfo tuning_;
    /* The message in assembly and the one completed last, as raw groups. */
    struct Groups {
        uint16_t pi;
        int count;
        uint16_t b[5], c[5], d[5];
    };
    Groups pending_;
    Groups last_;
    int expectedSequence_;      /* group sequence indicator the next group must carry; -1: none pending */
};

/* ---- Tables, loaded at run time ------------------------------------------ */

/* Event texts: a text file with one line per event, "code;text" with
 * optional further columns, the third read as the default urgency (N, U or
 * X); blank lines and lines starting with '#' are skipped. */
class RDSTMC_API EventTable {
public:
    /* False, with a reason, when the file cannot be read or holds no event. */
    bool Load(const std::string& path, std::string& error);
    /* The text of `code`, or "" when the table has none. */
    const std::string& Text(int code) const;
    /* The message's urgency: its main event's default (Normal without one),
     * moved by the message's control codes and kept within Normal to ExtremelyUrgent. */
    TmcUrgency UrgencyOf(const TmcMessage& message) const;
    size_t Size() const;

private:
    struct Entry {
        std::string text;
        TmcUrgency urgency;
    };
    std::vector<Entry> entries_;  /* by event code, 0-2047 */
    size_t size_ = 0;
};

/* Location tables in the exchange format their publishers use: a directory
 * of semicolon-separated .DAT files (LOCATIONDATASETS, POINTS, ROADS,
 * SEGMENTS, NAMES, POFFSETS, ADMINISTRATIVEAREA, and COUNTRIES where given)
 * in the character set README.DAT names. Every table of the directory is
 * loaded; a location is looked up by table number, with the country chosen
 * from the station's PI. */
class RDSTMC_API LocationTable {
public:
    /* False, with a reason, when the directory holds no usable table. */
    bool Load(const std::string& directory, std::string& error);
    /* "road: place" words for `location` of table `ltn` as broadcast by the
     * station `pi`, in UTF-8; "" when it is not in the loaded tables. */
    std::string Describe(uint16_t pi, int ltn, uint16_t location) const;
    size_t Size() const;

private:
    struct Location {
        int cid, tabcd, lcd;
        std::string type;       /* P (point), L (line: road or segment), A (area) */
        std::string roadNumber, name, firstName, secondName;
        int roadLcd, segmentLcd, areaLcd;
    };
    const Location* Find(int cid, int tabcd, int lcd) const;
    std::vector<Location> locations_;  /* sorted by (cid, tabcd, lcd) */
    struct Country {
        int cid, ccd;           /* CCD: the country nibble of a PI */
    };
    std::vector<Country> countries_;
};

/* Lower-case words for an urgency: "normal", "urgent", "extremely urgent". */
RDSTMC_API const char* TmcUrgencyName(TmcUrgency urgency);

}  // namespace rdstmc

#endif /* RDSTMC_TMC_H */
