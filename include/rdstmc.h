/*
 * rdstmc: access to an FM RDS / RDS-TMC receiver module on a serial port.
 *
 * Open the port with TmcOpen (or play a recording with TmcStartSimulation),
 * connect listener objects to hear of changes as they arrive, or ask for the
 * latest value with the TmcGet... functions. Every function is safe to call
 * from any thread. Listeners are called on the library's own threads, never
 * with a library lock held; see Connect below for what that promises.
 *
 * A process forked from one that uses the library starts with it closed (no
 * port, no worker, no log) and cannot disturb the parent's connection or log. Once it has
 * started a worker (a port opened, a replay started), the library stays
 * loaded until the process ends, so unloading it while a port is open or at
 * once after a close is safe; nothing waits for a worker on the way out.
 *
 * Strings that cross this interface are zero-terminated 16-bit code units
 * (UTF-16). Each function that takes a path or command also has inline
 * overloads for UTF-8 `const char*` text and `u"..."` literals, and on Windows
 * for `L"..."` ones: TmcOpen(u"/dev/ttyUSB0", 38400), TmcOpen(L"COM3", 38400).
 */
#ifndef RDSTMC_H
#define RDSTMC_H

#if defined(_WIN32)
#if defined(RDSTMC_BUILDING_LIBRARY)
#define RDSTMC_API __declspec(dllexport)
#elif defined(RDSTMC_STATIC)
#define RDSTMC_API
#else
#define RDSTMC_API __declspec(dllimport)
#endif
#elif defined(RDSTMC_BUILDING_LIBRARY)
#define RDSTMC_API __attribute__((visibility("default")))
#else
#define RDSTMC_API
#endif

/* ---- Types ------------------------------------------------------------ */

/* Reception status, as derived from the arriving RDS groups. */
enum TmcStatus : int {
    TmcStatusStopped = 0,    /* no worker running */
    TmcStatusOpenFailed = 1, /* the last TmcOpen could not open or use the port */
    TmcStatusNoRds = 2,      /* port open or replay running, no RDS reception */
    TmcStatusRdsOnly = 3,    /* RDS groups arrive, no TMC group lately */
    TmcStatusTmc = 4         /* TMC groups arrive */
};

/* Tuner commands for TmcControlTuner. */
enum TmcControlCmd : int {
    TmcTune = 0,         /* tune to `value`, in 100 kHz units (875 = 87.5 MHz) */
    TmcStepUp = 1,       /* +100 kHz; 108.0 MHz wraps to 87.5 MHz */
    TmcStepDown = 2,     /* -100 kHz; 87.5 MHz wraps to 108.0 MHz */
    TmcSeekUp = 3,       /* receiver-driven search upward */
    TmcSeekDown = 4,     /* receiver-driven search downward */
    TmcSeekUpF470 = 5,   /* search upward with search parameter 470 */
    TmcSeekDownF470 = 6, /* search downward with search parameter 470 */
    TmcSeekUpF502 = 7,   /* search upward with search parameter 502 */
    TmcSeekDownF502 = 8, /* search downward with search parameter 502 */
    TmcModeA1 = 9        /* select receiver mode A1 */
};

/* RDS clock time as broadcast (UTC; the local offset is not applied). */
struct TmcRdsTime {
    int year;     /* four digits */
    int month;    /* 1-12 */
    int day;      /* 1-31 */
    int weekDay;  /* 1 = Monday ... 7 = Sunday */
    int hour;     /* 0-23 */
    int minute;   /* 0-59 */
    int reserved; /* always 0 */
};

/* ---- Listeners: implement, then Connect --------------------------------- */

/* Hears of every change of the tuned frequency. */
class RDSTMC_API ITmcFrequencyListener {
public:
    virtual ~ITmcFrequencyListener();
    /* frequency in 100 kHz units; quality: the sample that came with it;
     * tunerMode: 1 after a tune or step, 0 after a receiver-driven search. */
    virtual void OnFrequencyChanged(int frequency, int quality, unsigned char tunerMode) = 0;
};

/* Hears the decoded RDS items. Pointers are valid only during the call. */
class RDSTMC_API ITmcRdsListener {
public:
    virtual ~ITmcRdsListener();
    /* A new, complete radio text (at most 64 characters). */
    virtual void OnRadioText(const unsigned short* text) = 0;
    /* Every clock-time group, changed or not. */
    virtual void OnRdsTime(const TmcRdsTime& time) = 0;
    /* Every station-name report, changed or not, with the current PI code. */
    virtual void OnStationName(int pi, const unsigned short* name) = 0;
    /* A new alternative-frequency list: 25 entries in 100 kHz units, 0 past its end. */
    virtual void OnAlternativeFrequencies(const int* list) = 0;
};

/* Hears each change of the reception status, once. */
class RDSTMC_API ITmcStatusListener {
public:
    virtual ~ITmcStatusListener();
    virtual void OnStatusChanged(const TmcStatus& status) = 0;
};

/* Hears each new TMC-related group (3A, 4A, 8A); identical repeats are not reported. */
class RDSTMC_API ITmcRawDataListener {
public:
    virtual ~ITmcRawDataListener();
    /* word0 = (block A << 16) | block B, word1 = (block C << 16) | block D. */
    virtual void OnRawData(const unsigned int& word0, const unsigned int& word1) = 0;
};

/* Store the listener in its slot, replacing any earlier one; false for null.
 * Called on your own thread, once Connect or Disconnect returns the replaced
 * listener is never called again (a call in progress on a library thread is
 * waited for), so it may be deleted. Do not hold a lock of yours around them
 * that your callbacks also take: the wait would never end.
 * Called from inside a callback, they do not wait: the slot changes at once
 * and no call that begins later reaches the old listener, but a call already
 * under way on another library thread may still run to its end. A listener
 * may always disconnect itself from inside its own callback. */
RDSTMC_API bool Connect(ITmcFrequencyListener* listener);
RDSTMC_API bool Connect(ITmcRdsListener* listener);
RDSTMC_API bool Connect(ITmcStatusListener* listener);
RDSTMC_API bool Connect(ITmcRawDataListener* listener);

/* Empty the slot of that listener type (the argument is not looked at); false if it was empty. */
RDSTMC_API bool Disconnect(ITmcFrequencyListener* listener);
RDSTMC_API bool Disconnect(ITmcRdsListener* listener);
RDSTMC_API bool Disconnect(ITmcStatusListener* listener);
RDSTMC_API bool Disconnect(ITmcRawDataListener* listener);

/* ---- Connection --------------------------------------------------------- */

/* Open the receiver on a serial device (e.g. "/dev/ttyUSB0", "COM3") at `baud` bits/s and
 * start reading; false, with status TmcStatusOpenFailed, if the device cannot be opened or
 * used, is no device at all (a regular file, left untouched), or the rate is not supported. False and no change while a port is open or a replay runs,
 * or when called from a callback on one of the library's threads (it cannot wait for itself). */
RDSTMC_API bool TmcOpen(const unsigned short port[], unsigned baud);
/* Close the port; its workers end at once. False if no port was open. */
RDSTMC_API bool TmcClose();
/* True while a port is open. */
RDSTMC_API bool TmcIsOpen();
/* Close, then open again with the port and rate of the last successful TmcOpen.
 * False, with the connection untouched, when called from a callback. */
RDSTMC_API bool TmcReopen();

/* ---- Queries: false, writing nothing, unless a port is open or a replay runs -- */

/* The reception status; works at any time. */
RDSTMC_API TmcStatus TmcGetStatus();
/* Tuned frequency in 100 kHz units. */
RDSTMC_API bool TmcGetTunerFrequency(int& frequency);
/* Reception health 0-10 from the last ten quality samples on this frequency. */
RDSTMC_API bool TmcGetRdsHealth(int& health);
/* The alternative-frequency list: always 25 entries, 100 kHz units, 0 past its end. */
RDSTMC_API bool TmcGetRdsAF(int list[25]);
/* PI code and station name; writes at most capacity-1 characters plus the terminator
 * (9 is always enough); false for capacity < 1. */
RDSTMC_API bool TmcGetRdsStation(unsigned long& pi, unsigned short name[], int capacity);
/* Radio text, cut to capacity-1 characters (65 is always enough); false for capacity < 1. */
RDSTMC_API bool TmcGetRadioText(unsigned short text[], int capacity);
/* The last decoded clock time. */
RDSTMC_API bool TmcGetRdsTime(TmcRdsTime& time);

/* ---- Tuner control (an open port only; not during a replay) ------------- */

/* Steer the tuner; `value` is used by TmcTune only. True when every sentence was written. */
RDSTMC_API bool TmcControlTuner(TmcControlCmd command, int value);
/* Send a command of your own ("$PLT..", no checksum; ASCII, at most 250 characters);
 * true only when it was written. */
RDSTMC_API bool TmcSendCommand(const unsigned short text[]);

/* ---- Recording and replay ----------------------------------------------- */

/* Append every valid sentence received from the port to the file at `path`, stamped
 * "[tick]," with the millisecond tick. Survives TmcClose/TmcOpen. False if already on. */
RDSTMC_API bool TmcStartLogging(const unsigned short path[]);
/* Stop recording; false if it was not on. */
RDSTMC_API bool TmcStopLogging();
/* Play a recording in place of a receiver, one recorded second per second.
 * False if a port is open, a replay runs, or the file is missing or empty. */
RDSTMC_API bool TmcStartSimulation(const unsigned short path[]);
/* Stop the replay; false if none was running. */
RDSTMC_API bool TmcStopSimulation();

/* ---- UTF-8 conveniences -------------------------------------------------- */

namespace rdstmc_detail {
/* The library takes names of at most 255 units. A name that does not fit is
 * passed as exactly 256 units, so the library refuses it whole rather than
 * acting on a cut-off name. */
enum { kWideCapacity = 257 };

/* UTF-8 to UTF-16. Malformed, overlong and surrogate sequences become U+FFFD,
 * so no input can smuggle in a terminator or change meaning. */
inline void Widen(const char* in, unsigned short* out) {
    static const unsigned kLeast[4] = {0, 0x80, 0x800, 0x10000};
    unsigned n = 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(in ? in : "");
    while (*p) {
        unsigned c = *p++, extra = 0, cp = 0xFFFD;
        if (c < 0x80) { cp = c; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
        const unsigned length = extra;
        for (unsigned i = 0; i < extra; ++i, ++p) {
            if ((*p & 0xC0) != 0x80) { cp = 0xFFFD; break; }
            cp = (cp << 6) | (*p & 0x3F);
        }
        if (cp != 0xFFFD && (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) cp = 0xFFFD;
        const unsigned units = cp >= 0x10000 ? 2 : 1;
        if (n + units > kWideCapacity - 2) {
            /* Too long: fill to 256 units, one more than the library takes. */
            while (n < kWideCapacity - 1) out[n++] = 0xFFFD;
            break;
        }
        if (units == 2) {
            cp -= 0x10000;
            out[n++] = static_cast<unsigned short>(0xD800 + (cp >> 10));
            out[n++] = static_cast<unsigned short>(0xDC00 + (cp & 0x3FF));
        } else {
            out[n++] = static_cast<unsigned short>(cp);
        }
    }
    out[n] = 0;
}
}  // namespace rdstmc_detail

namespace rdstmc_detail {
inline const unsigned short* Units(const char16_t* text) { return reinterpret_cast<const unsigned short*>(text); }
}  // namespace rdstmc_detail

inline bool TmcOpen(const char16_t* port, unsigned baud) { return TmcOpen(rdstmc_detail::Units(port), baud); }
inline bool TmcSendCommand(const char16_t* text) { return TmcSendCommand(rdstmc_detail::Units(text)); }
inline bool TmcStartLogging(const char16_t* path) { return TmcStartLogging(rdstmc_detail::Units(path)); }
inline bool TmcStartSimulation(const char16_t* path) { return TmcStartSimulation(rdstmc_detail::Units(path)); }

#if defined(_WIN32)
/* wchar_t is 16 bits on Windows. */
inline bool TmcOpen(const wchar_t* port, unsigned baud) {
    return TmcOpen(reinterpret_cast<const unsigned short*>(port), baud);
}
inline bool TmcSendCommand(const wchar_t* text) { return TmcSendCommand(reinterpret_cast<const unsigned short*>(text)); }
inline bool TmcStartLogging(const wchar_t* path) {
    return TmcStartLogging(reinterpret_cast<const unsigned short*>(path));
}
inline bool TmcStartSimulation(const wchar_t* path) {
    return TmcStartSimulation(reinterpret_cast<const unsigned short*>(path));
}
#endif

/* A null name is refused like any unusable one, whichever overload it meets. */
inline bool TmcOpen(decltype(nullptr), unsigned baud) {
    return TmcOpen(static_cast<const unsigned short*>(nullptr), baud);
}
inline bool TmcSendCommand(decltype(nullptr)) { return TmcSendCommand(static_cast<const unsigned short*>(nullptr)); }
inline bool TmcStartLogging(decltype(nullptr)) { return TmcStartLogging(static_cast<const unsigned short*>(nullptr)); }
inline bool TmcStartSimulation(decltype(nullptr)) {
    return TmcStartSimulation(static_cast<const unsigned short*>(nullptr));
}

inline bool TmcOpen(const char* port, unsigned baud) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(port, w);
    return TmcOpen(w, baud);
}
inline bool TmcSendCommand(const char* text) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(text, w);
    return TmcSendCommand(w);
}
inline bool TmcStartLogging(const char* path) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(path, w);
    return TmcStartLogging(w);
}
inline bool TmcStartSimulation(const char* path) {
    unsigned short w[rdstmc_detail::kWideCapacity];
    rdstmc_detail::Widen(path, w);
    return TmcStartSimulation(w);
}

#endif /* RDSTMC_H */
