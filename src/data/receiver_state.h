// A receiver: everything of one module's runs, from its connection and
// workers to its decoders, published data, listeners and log. The classic
// interface acts on one default receiver; handles make any number more.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include "rdstmc.h"
#include "data/listeners.h"
#include "platform/lock.h"
#include "platform/named_event.h"
#include "platform/thread.h"
#include "platform/wakeup.h"
#include "session/intake.h"

namespace rdstmc {

namespace session {
class Transport;
}  // namespace session

constexpr int kAfListSize = 25;
constexpr int kQualityRingSize = 10;
constexpr size_t kWideTextSize = 256;

// What the queries return; guarded by dataLock, zero-filled at every start.
struct PublishedData {
    int frequency;                 // 100 kHz units
    int alternativeFrequencies[kAfListSize];
    uint32_t rawGroup[2];
    TmcRdsTime clockTime;
    uint16_t radioText[kWideTextSize];
    uint16_t stationName[kWideTextSize];
    TmcStatus status;
};

// The quality samples since the last change of frequency; guarded by
// dataLock, and kept across starts.
struct QualityRing {
    int samples[kQualityRingSize];
    int count;
    int index;
};

// State that belongs to the one data worker at a time (the reader or the
// replay worker). Successive workers are joined before the next starts, so
// the hand-over is ordered without a lock.
struct DecoderScratch {
    // When the bytes being handled were received, by the millisecond tick:
    // set by the source before it hands them on, so the group handler paces
    // the activity events without reading the clock for every group.
    uint32_t receivedTick;
    // The tick of the group, handed over as a group, at which receivedTick
    // was last read from the clock.
    uint32_t groupClockTick;
    uint32_t lastRdsTick;
    uint32_t lastTmcTick;
    uint32_t rawScratch[2];
    int afAccumulator[kAfListSize];
    int afExpected;
    int afCollected;
    unsigned char rtBuffer[256];
};

struct ReceiverState {
    // dataLock guards `published` and `quality`. writeLock orders outbound
    // sentences. portLock guards `port`. lifecycleLock orders open, close and
    // replay starts and stops, and guards the connection settings and the
    // worker threads. logLock guards the log path and each record's write.
    platform::Lock dataLock;
    platform::Lock writeLock;
    platform::Lock portLock;
    platform::Lock lifecycleLock;
    platform::Lock logLock;

    PublishedData published;
    QualityRing quality;

    // Single words read and written without a lock.
    std::atomic<unsigned char> tunerMode{0};
    std::atomic<int> seekParameter{0};
    std::atomic<int> programmeId{0};

    // Connection: a serial port, or a feed of bytes the program received.
    std::shared_ptr<session::Transport> transport;  // portLock: where commands go
    std::atomic<bool> portOpen{false};              // a port or a feed is open
    std::atomic<bool> feedOpen{false};              // the open run is a feed
    platform::Lock feedLock;                        // one feed call at a time
    uint16_t portName[kWideTextSize] = {};         // lifecycleLock
    unsigned baud = 0;                             // lifecycleLock
    // The device as the reader opens it anew after it went away: written
    // before the reader starts and read by it alone until it has ended.
    char portPath[1024] = {};
    // Whether the open port's device answers (false once it has gone).
    std::atomic<bool> devicePresent{false};
    // When the sentence being handled was received: the tick of its read, or
    // its recorded stamp in a replay. Written by the data worker only.
    std::atomic<uint32_t> sentenceTick{0};

    // Why the last open or start of a run failed, TmcErrorNone after one
    // that succeeded.
    std::atomic<TmcError> lastError{TmcErrorNone};

    std::atomic<bool> readerRunning{false};
    std::atomic<bool> replayRunning{false};
    std::atomic<bool> loggingOn{false};
    char logPath[1024] = {};                       // logLock, native encoding
    // Records the log could not take (file not opened or not written),
    // since the process started: a log that misses one says so here.
    std::atomic<uint64_t> logRecordsLost{0};

    // This receiver's own activity, set beside the system-wide events (which
    // every receiver of every process sets) and cleared at each start: the
    // status counts only what this receiver hears.
    platform::Wakeup rdsActivity;
    platform::Wakeup tmcActivity;

    DecoderScratch scratch;

    ListenerSlots slots;

    // The feed's receive buffer (feedLock), and the feed calls in progress.
    session::Intake feedIntake;
    std::atomic<int> feedCalls{0};

    // Workers: one data worker (reader or replay) and one status worker.
    platform::Thread dataWorker;
    platform::Thread statusWorker;
    platform::Wakeup stopSignal;       // set when the current run ends
    platform::Wakeup statusStartGate;  // lets the status worker begin
    char replayPath[1024] = {};        // lifecycleLock until the worker starts
    std::atomic<intptr_t> replayFile{-1};  // the replay worker's open file
};

// The default receiver, which the classic interface acts on. It exists from
// first use until the process ends and is never destroyed, so workers still
// running at exit never touch a dead lock.
ReceiverState& State();

// A receiver of its own, registered so that a copy of the process and its
// exit see it. Null when there is no memory.
ReceiverState* NewReceiver();
// Takes it out of the registry, before it is deleted.
void Unregister(ReceiverState* receiver);
// Calls `visit` for every receiver (the default one included, once made)
// with the registry locked: `visit` must take no receiver's lock it may
// already hold elsewhere, and must not create or free receivers.
void ForEachReceiver(void (*visit)(ReceiverState&));
// The registry's lock, for a copy of the process only: taken before every
// receiver's locks. ForEachReceiverLocked visits with it already held.
void LockRegistry();
void UnlockRegistry();
void ForEachReceiverLocked(void (*visit)(ReceiverState&));

// Zero-fills the published data (status becomes TmcStatusStopped without a
// notification) and the single published words.
void ZeroFillPublished(ReceiverState& s);

// Stores `status`; true when it changed. No notification.
bool StoreStatus(ReceiverState& s, TmcStatus status);
// Notifies the status listener of `status`.
void NotifyStatus(ReceiverState& s, TmcStatus status);
// Stores and, when it changed, notifies; never with a lock held.
void SetStatus(ReceiverState& s, TmcStatus status);

// The availability rule of the queries: a port is open or a replay runs.
bool DataAvailable(const ReceiverState& s);

// The reception status, under the data lock.
TmcStatus GetStatus(ReceiverState& s);

}  // namespace rdstmc
