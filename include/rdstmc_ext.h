/*
 * rdstmc_ext: what the library offers beside the receiver interface of
 * rdstmc.h, with the same conventions (Tmc functions returning bool,
 * listener classes connected with Connect and Disconnect).
 *
 * The device behind an open port. A USB adapter can be pulled out, a
 * receiver lose power, the far end of a pseudo-terminal or bridge close.
 * The port then stays open (TmcIsOpen is true; TmcClose ends it as ever), the
 * status falls to TmcStatusNoRds as it would for a silent station, and the
 * library says the device has gone. About once a second it opens the device
 * anew by the name TmcOpen was given (a /dev/serial/by-id name survives a
 * change of socket); once that works, or the old device answers again,
 * reading goes on and the library says the device is back. Nothing is sent
 * to the module then: a program that wants its tuning back tunes again.
 */
#ifndef RDSTMC_EXT_H
#define RDSTMC_EXT_H

#include <stddef.h>

#include "rdstmc.h"

/* Hears when the open port's device goes away and when it is back. Called on
 * the library's reader thread, with the guarantees of rdstmc.h's listeners. */
class RDSTMC_API ITmcDeviceListener {
public:
    virtual ~ITmcDeviceListener();
    /* false: reads say the device has gone; true: it answers again. */
    virtual void OnDeviceChanged(bool present) = 0;
};

/* Store or empty the device listener's slot, as Connect and Disconnect in rdstmc.h. */
RDSTMC_API bool Connect(ITmcDeviceListener* listener);
RDSTMC_API bool Disconnect(ITmcDeviceListener* listener);

/* One RDS group as the module forwarded it: blocks A to D. */
struct TmcRdsGroup {
    unsigned short blocks[4];
};

/* Hears every RDS group the module forwards, in order of arrival, whatever
 * its type and whether or not it repeats the one before (the raw-data
 * listener hears only TMC-related groups, and only changes). Called on the
 * thread that handles the sentences (the reader, the replay, or the
 * program's own thread inside TmcFeed), before the group's other listeners,
 * with the guarantees of rdstmc.h's listeners. rdstmc_rds.h decodes them. */
class RDSTMC_API ITmcGroupListener {
public:
    virtual ~ITmcGroupListener();
    virtual void OnRdsGroup(const TmcRdsGroup& group) = 0;
};

/* Store or empty the group listener's slot, as Connect and Disconnect in rdstmc.h. */
RDSTMC_API bool Connect(ITmcGroupListener* listener);
RDSTMC_API bool Disconnect(ITmcGroupListener* listener);

/* Why the last TmcOpen, TmcReopen, TmcOpenFeed or TmcStartSimulation
 * returned false (TmcErrorNone after one that succeeded). */
enum TmcError {
    TmcErrorNone = 0,
    TmcErrorNotFound = 1,          /* no such device or file */
    TmcErrorPermissionDenied = 2,  /* this user may not open it */
    TmcErrorInUse = 3,             /* held by another program, or by this one */
    TmcErrorNotADevice = 4,        /* a regular file or a directory given as the port */
    TmcErrorBadRate = 5,           /* a line speed the system or the adapter does not support */
    TmcErrorAlreadyOpen = 6,       /* a port, feed or replay runs already */
    TmcErrorBadArgument = 7,       /* a null, empty, too long or unconvertible name or path */
    TmcErrorBusy = 8,              /* called from a callback, or the last run's callbacks have not returned */
    TmcErrorNoAnswer = 9,          /* the device took no command (the start-up sentences) */
    TmcErrorOther = 10             /* the system refused for another reason */
};

/* The reason of the last open or start of a run; each of them sets it. */
RDSTMC_API TmcError TmcGetLastError();
/* A sentence a person understands for `error`, in English. */
RDSTMC_API const char* TmcErrorText(TmcError error);

/* True while a port is open and its device has not gone away. */
RDSTMC_API bool TmcIsDevicePresent();

/* When the sentence being handled was received, as a millisecond tick: when
 * it was read from the port, or, in a replay, the stamp its record carries.
 * Called from a data listener's callback it is the time of the sentence that
 * caused the call, so a program replaying a recording learns the recording's
 * own time. Ticks wrap at 2^32 and have no fixed origin: only differences
 * count. False, writing nothing, unless a port is open or a replay runs. */
RDSTMC_API bool TmcGetSentenceTick(unsigned& tick);

/* ---- Bring your own transport ------------------------------------------------
 *
 * A program that receives the module's bytes itself (a TCP serial bridge, a
 * Bluetooth serial profile, a USB endpoint, a recording it reads) opens the
 * library with TmcOpenFeed and hands it those bytes with TmcFeed. They are
 * processed exactly as bytes read from a port: the same framing and
 * carry-over of a sentence cut between two calls, checksums, decoders,
 * listeners, log records, status worker and activity events. TmcIsOpen is
 * true, the queries answer, TmcClose ends the feed; TmcOpen, TmcReopen and
 * TmcStartSimulation are refused while it runs, as a feed is refused while a
 * port is open or a replay runs.
 *
 * Threads: the data listeners are called during TmcFeed, on the thread that
 * calls it; the status listener on the library's status worker, as ever.
 * Calls of TmcFeed from several threads are taken one at a time; a listener
 * may not feed again from inside its callback (refused). */

/* Takes the library's command sentences for the module, framed (checksum, CR
 * LF): the start-up sentences of TmcOpenFeed, TmcControlTuner, TmcSendCommand.
 * Called on the thread that sent the command, 150 ms apart; return true when
 * the bytes were sent. */
typedef bool (*TmcWriteFunction)(void* context, const char* bytes, unsigned length);

/* Opens a feed; `write` carries commands to the module (null for none: then
 * nothing is sent, and tuner commands return false). Sends the start-up
 * sentences, as TmcOpen does, and sets TmcStatusNoRds. False and no change
 * while a port, a feed or a replay runs, or from inside a callback. */
RDSTMC_API bool TmcOpenFeed(TmcWriteFunction write, void* context);

/* Hands the library `length` received bytes, in any chunking (one byte to
 * megabytes). False, taking nothing, when no feed is open. */
RDSTMC_API bool TmcFeed(const void* bytes, size_t length);

/* Hands the library one RDS group that came as a group (a hexadecimal list,
 * an RDS Spy log, a decoder of the program's own): it reaches the group's
 * decoders, listeners, activity events and log exactly as a "$PLTTR"
 * sentence carrying it would, but without a sentence to write and read back.
 * `tick` is when it was received, in milliseconds on any clock that wraps at
 * 2^32 (only differences count): the sentence tick its listeners see. The
 * library reads its own clock, for the activity events, only once a second
 * of `tick`, so groups handed over faster than they were received cost no
 * clock read each. As TmcFeed otherwise: false, taking nothing, when no
 * feed is open. */
RDSTMC_API bool TmcFeedGroup(const TmcRdsGroup& group, unsigned tick);

#endif /* RDSTMC_EXT_H */
