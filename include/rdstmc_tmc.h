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
 * The facts of every event code (nature, duration type, urgency, update
 * class: TmcEventInfo) are built in, and TrafficPicture keeps from the
 * stream of messages the set that is valid now, as a receiver must.
 */
#ifndef RDSTMC_TMC_H
#define RDSTMC_TMC_H

#include <stdint.h>

#include <string>
#include <type_traits>
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
    /* Group 1A (fed like the others) */
    int ecc;                    /* extended country code; with the PI's first nibble it names the country; -1 not sent */
};

/* ---- Traffic messages ---------------------------------------------------- */

enum class TmcUrgency { Normal = 0, Urgent = 1, ExtremelyUrgent = 2 };

/* ---- Event properties: the Alert-C event list's facts, built in ---------- */

enum class TmcNature { Information, Forecast, Silent };  /* silent: not to be presented */
enum class TmcDurationType { Unspecified, Dynamic, LongerLasting };
enum class TmcEventKind {
    Ordinary,
    Cancellation,  /* "message cancelled" for its update class */
    Null           /* the null message (2047) */
};

struct TmcEventProperties {
    uint16_t code;               /* 1-2047 */
    TmcNature nature;
    uint8_t quantifierType;      /* 1-12 as the event list numbers them; 0 none */
    TmcDurationType durationType;
    bool durationSpoken;         /* false: the duration is not to be spoken */
    uint8_t directionality;      /* 1 one direction, 2 both; 0 for the silent kinds */
    TmcUrgency urgency;          /* the default, before control codes */
    uint8_t updateClass;         /* 1-39: messages of one class at one place replace each other */
    TmcEventKind kind;
};

/* The properties of event `code`, or null when the event list has no such
 * code. From the list published on the OpenStreetMap wiki, CC BY-SA 2.0. */
RDSTMC_API const TmcEventProperties* TmcEventInfo(int code);

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
    int ecc;                    /* the station's extended country code when the message came; -1 (or 0) unknown */
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
     * Groups other than 1A, 3A and 8A give None; 1A (which OnRawData does
     * not pass on: an ITmcGroupListener hears it) tells the station's
     * country, which messages then carry for the location lookup. */
    Result Feed(uint32_t word0, uint32_t word1);
    Result FeedBlocks(uint16_t a, uint16_t b, uint16_t c, uint16_t d);

    /* A multi-group message is reported when its last group arrives; one
     * whose groups are missing, out of sequence or interrupted by another
     * user message is dropped, never guessed. A copy of a group already
     * taken for the message in assembly (stations send each group two or
     * three times) is passed over. Repetition: a message whose
     * groups are identical to those of the message completed just before
     * (same PI, same blocks B, C and D) is a repetition of it and is not
     * reported again, so a burst of copies gives one Message; any other
     * message in between ends the burst. */
    const TmcMessage& Message() const { return message_; }
    /* User groups given up (out of sequence, or of a message that cannot be
     * one: event code 0, where event codes start at 1) since construction or
     * Reset, for a receiver's statistics. */
    unsigned long Dropped() const { return dropped_; }
    const TmcSystemInfo& SystemInfo() const { return system_; }
    const TmcTuningInfo& TuningInfo() const { return tuning_; }

    /* Forgets the station: system information, a message in assembly, the last message. */
    void Reset();

private:
    Result SystemGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result UserGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result TuningGroup(uint16_t pi, uint16_t b, uint16_t c, uint16_t d);
    Result EncryptionGroup(uint16_t pi, uint16_t c, uint16_t d);
    Result CountryGroup(uint16_t pi, uint16_t c);
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
    unsigned long dropped_;
};

/* The clock time of a group 4A, as OnRawData gives it: UTC in seconds since
 * 1970 and the station's local time offset in minutes. False for any other
 * group, and for a time no broadcast can carry. */
RDSTMC_API bool TmcClockTimeOf(uint32_t word0, uint32_t word1, int64_t& utcSeconds, int& localOffsetMinutes);

/* The message's urgency from the built-in event properties: its first
 * event's default, moved by its control codes, kept within Normal to
 * ExtremelyUrgent. */
RDSTMC_API TmcUrgency TmcUrgencyOf(const TmcMessage& message);

/* A quantifier in words and its unit, as the event list's "(Q)" texts take
 * it ("30", "of up to 40 minutes", "less than 80 metres", "-3 degrees
 * Celsius"): `type` the event's quantifier type (0, none, reads a 5-bit
 * value as a small number), `value` the label's bits. */
RDSTMC_API std::string TmcQuantifierText(int type, int value);

/* ---- Tables, loaded at run time ------------------------------------------ */

/* Event texts from a file the user has; two layouts are read:
 *  - "code;text[;urgency]" lines, the urgency N, U or X;
 *  - the event list as it circulates with its texts: a header row
 *    "Code;Description;Description with Q;N;Q;T;D;U;C;R" and one row per event.
 * Blank lines and lines starting with '#' are skipped. Properties the file
 * does not give come from the built-in list. */
class RDSTMC_API EventTable {
public:
    /* False, with a reason, when the file cannot be read or holds no event. */
    bool Load(const std::string& path, std::string& error);
    /* The text of `code`, or "" when the table has none. */
    const std::string& Text(int code) const;
    /* The text of the message's event `index`, its quantifier (if the message
     * has one for that event) put into the "(Q)" text in its unit; "" when
     * the table has no text for the event. */
    std::string TextOf(const TmcMessage& message, int index) const;
    /* The message's urgency: its main event's default (from the file, else
     * the built-in list), moved by the message's control codes and kept
     * within Normal to ExtremelyUrgent. */
    TmcUrgency UrgencyOf(const TmcMessage& message) const;
    size_t Size() const;

private:
    struct Entry {
        std::string text;
        std::string quantifiedText;  /* with "(Q)"; "" when the file has none */
        TmcUrgency urgency;
        int quantifierType;          /* -1 none */
    };
    std::vector<Entry> entries_;  /* by event code, 0-2047 */
    size_t size_ = 0;
};

/* A location of a table, with what the table says of it (UTF-8 names). */
struct TmcPlace {
    uint16_t location;
    char type;                  /* 'P' point, 'L' line (road or segment), 'A' area */
    std::string firstName;      /* its name, or a line's first end */
    std::string secondName;     /* a line's second end; "" for others */
    std::string junction;       /* junction number, where the table has one */
    bool hasCoordinates;        /* points only, where the table gives them */
    double longitude, latitude; /* WGS84 degrees */
};

/* Where a message's problem lies: from its primary location over `extent`
 * further locations of the table's chain of offsets. */
struct TmcStretch {
    TmcPlace primary;           /* the head of the problem */
    TmcPlace secondary;         /* the other end: `steps` offsets away */
    int steps = 0;              /* offsets followed: the extent, or fewer ... */
    bool chainEnded = false;    /* ... when the chain ended first */
    std::string roadNumber;     /* "A1"; "" when the location lies on no road */
    std::string roadName;       /* "Hamburg - Bremen", the road's two ends */
    std::string towards;        /* the road's end the traffic held up travels towards; "" unknown */
    std::vector<TmcPlace> points; /* the points from primary to secondary, in order (a
                                   * segment's own points stand for it) */
};

/* Location tables in the exchange format their publishers use: a directory
 * of semicolon-separated .DAT files (LOCATIONDATASETS, POINTS, ROADS,
 * SEGMENTS, NAMES, POFFSETS, ADMINISTRATIVEAREA, and COUNTRIES where given)
 * in the character set README.DAT names. Every table of the directory is
 * loaded; a location is looked up by table number, with the country chosen
 * from the station's PI. A country's table loads in a fraction of a second;
 * a lookup takes logarithmic time. */
class RDSTMC_API LocationTable {
public:
    /* False, with a reason, when the directory holds no usable table. */
    bool Load(const std::string& directory, std::string& error);
    /* "road: place" words for `location` of table `ltn` as broadcast by the
     * station `pi` (with its extended country code `ecc` where known, which
     * tells apart the countries that share a PI nibble), in UTF-8; "" when it
     * is not in the loaded tables. */
    std::string Describe(uint16_t pi, int ltn, uint16_t location, int ecc = -1) const;
    /* The stretch of `message`. The secondary location is reached by
     * following the positive offsets `extent` times when the direction bit
     * is 0, the negative ones when it is 1; a chain that ends first ends the
     * walk (chainEnded). `towards`: the problem extends from its head back
     * against the traffic, so the traffic it holds up travels from the
     * secondary location to the primary one, that is towards the road's
     * first named end for direction bit 0 and its second for 1 (the reading
     * of ISO 14819-1 and -3 chosen here). False, leaving `out` empty, when the
     * primary location is not in the loaded tables (or the service is
     * encrypted): nothing is guessed. */
    bool Stretch(const TmcMessage& message, TmcStretch& out) const;
    size_t Size() const;

private:
    struct Location {
        int cid = -1, tabcd = -1, lcd = -1;
        char type = 'P';
        std::string roadNumber, junction;
        int nameId = -1, firstNameId = -1, secondNameId = -1;
        int roadLcd = -1, segmentLcd = -1, areaLcd = -1;
        int negativeOffset = -1, positiveOffset = -1;
        bool hasCoordinates = false;
        int x = 0, y = 0;       /* 10^-5 degree */
    };
    struct Name {
        int cid, nid;
        std::string text;
    };
    struct Country {
        int cid, ccd;           /* CCD: the country nibble of a PI */
        int ecc;                /* extended country code; -1 not given */
    };
    const Location* Find(int cid, int tabcd, int lcd) const;
    const Location* Lookup(uint16_t pi, int ecc, int ltn, uint16_t location) const;
    const Location* RoadOf(const Location& l) const;
    const std::string& NameOf(int cid, int nid) const;
    std::string Span(const Location& line) const;
    TmcPlace PlaceOf(const Location& l) const;
    void AppendPoints(const Location& l, bool negative, std::vector<TmcPlace>& points) const;

    std::vector<Location> locations_;  /* sorted by (cid, tabcd, lcd) */
    std::vector<Name> names_;          /* sorted by (cid, nid) */
    std::vector<size_t> bySegment_;    /* indexes of points, sorted by (cid, tabcd, segment) */
    std::vector<Country> countries_;
};

/* Lower-case words for an urgency: "normal", "urgent", "extremely urgent". */
RDSTMC_API const char* TmcUrgencyName(TmcUrgency urgency);

/* ---- The traffic picture --------------------------------------------------- */

/* A message as the picture keeps it. Times are seconds since 1970, UTC. */
struct TmcStoredMessage {
    TmcMessage message;
    int updateClass;            /* of the first event; 0 for a code the event list lacks */
    int64_t firstReceived;      /* when a message of this key was first received */
    int64_t lastReceived;       /* when this message was last received */
    int64_t expires;            /* when it ends unless received again */
};

/* The persistence of a message received at `received`: when it ends unless
 * received again, in the terms of the rules below. `localOffsetMinutes` is
 * the station's local time offset, for midnight. */
RDSTMC_API int64_t TmcMessageExpiry(const TmcMessage& message, int64_t received, int localOffsetMinutes);

/*
 * The messages of the services heard that are valid now, kept by the
 * message management rules of ISO 14819-1 as this library reads them:
 *
 * - Key: station (PI), primary location, direction bit, and the update class
 *   of the first event; for a forecast (an event of forecast nature) also
 *   the duration code, so that forecasts for other times live side by side.
 *   A code the event list lacks is its own class (its code stands in).
 * - A message with a new key is stored (New). One with the key of a stored
 *   message replaces it (Update); received again unchanged, it only renews
 *   its time (no change is reported).
 * - A message whose first event is the cancellation of its update class
 *   removes the stored message of its key (Cancel, reported with the message
 *   removed). The null message (event 2047) removes every message at its
 *   location and direction whatever its class; location 65535 stands for
 *   every location of the station, in either direction, for both. Other
 *   silent events store nothing.
 * - Expiry (Expire): a message lives for its persistence, counted from its
 *   last reception, by its duration code (label 0 or the single group's bits)
 *   and its first event's duration type, swapped by control code 3:
 *       code       0      1      2         3-6             7
 *       dynamic    15 min 15 min 30 min    1, 2, 3, 4 h    until midnight
 *       lasting    1 h    2 h    midnight  midnight of the next day
 *   Midnight is the station's local midnight (SetLocalOffset; UTC until
 *   given). A stop time (label 8) replaces the persistence when it lies after
 *   the reception: a time of day that has passed today means tomorrow; a day
 *   of the month or a mid- or end-of-month ends at that day's end. Readings
 *   where the standard leaves room: a message without a duration code has
 *   code 0; an event without a duration type is dynamic.
 * - At most `capacity` messages are kept: a new one beyond that makes room by
 *   expiring the message that would end first.
 *
 * Pure: no threads, no I/O but Save and Load, no allocation once built; the
 * caller gives the time. One thread at a time. The observer is called for
 * each change during the call that makes it; the stored message it is given
 * is valid during that call only.
 */
class RDSTMC_API TrafficPicture {
public:
    enum class Change { New, Update, Cancel, Expire };
    using Observer = void (*)(void* context, Change change, const TmcStoredMessage& message);

    explicit TrafficPicture(size_t capacity = 1000);
    ~TrafficPicture();
    TrafficPicture(const TrafficPicture&) = delete;
    TrafficPicture& operator=(const TrafficPicture&) = delete;

    /* The station's local time offset in minutes (from its clock-time group). */
    void SetLocalOffset(int minutes);
    int LocalOffset() const;

    /* Expires what ended by `now`, then applies `message` received at `now`. */
    void Apply(const TmcMessage& message, int64_t now, Observer observer, void* context);
    /* Expires every message that ended by `now`. */
    void Advance(int64_t now, Observer observer, void* context);
    /* The same with any callable f(Change, const TmcStoredMessage&). */
    template <class F>
    void Apply(const TmcMessage& message, int64_t now, F&& onChange) {
        Apply(message, now, &Call<F>, Context(onChange));
    }
    template <class F>
    void Advance(int64_t now, F&& onChange) {
        Advance(now, &Call<F>, Context(onChange));
    }

    /* The stored messages, in the order they were first stored. */
    size_t Size() const;
    const TmcStoredMessage& At(size_t index) const;
    void Clear();

    /* The picture as text, and back: Restore takes the whole text or nothing
     * (a damaged or foreign text is refused with a reason, leaving the picture
     * empty) and drops what ended by `now`. */
    std::string Serialize() const;
    bool Restore(const std::string& text, int64_t now, std::string& error);
    /* The same through a file; Save replaces the file at once (written beside
     * it, then renamed), so a reader never sees half of it. */
    bool Save(const std::string& path, std::string& error) const;
    bool Load(const std::string& path, int64_t now, std::string& error);

private:
    template <class F>
    static void Call(void* context, Change change, const TmcStoredMessage& message) {
        (*static_cast<typename std::remove_reference<F>::type*>(context))(change, message);
    }
    template <class T>
    static void* Context(T& callable) {
        return const_cast<void*>(static_cast<const void*>(&callable));
    }
    struct State;
    State* state_;
};

}  // namespace rdstmc

#endif /* RDSTMC_TMC_H */
