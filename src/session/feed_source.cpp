// A run on bytes the program received itself: no device and no worker of
// our own; the program hands the bytes over and takes the commands.
#include <cstdio>

#include "data/decoders.h"
#include "data/listeners.h"
#include "link/sentence.h"
#include "record/sentence_log.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "session/intake.h"
#include "session/receiver.h"
#include "session/run.h"
#include "session/transport.h"

namespace rdstmc::session {
namespace {

constexpr char kStartupTune[] = "$PLTCM,H2,8800";
constexpr char kStartupRfa[] = "$PLTCM,RFA,65535";
constexpr int kInitialSeekParameter = 502;
constexpr uint32_t kClockReadSpacingMs = 1000;

class WriteFunctionTransport final : public Transport {
public:
    WriteFunctionTransport(TmcWriteFunction write, void* context) : write_(write), context_(context) {}
    bool Write(const char* data, size_t length, unsigned) override {
        try {
            return write_(context_, data, static_cast<unsigned>(length));
        } catch (...) {
            return false;  // a throwing write function is a failed write, not a lost thread
        }
    }

private:
    TmcWriteFunction write_;
    void* context_;
};

TmcError OpenLocked(ReceiverState& s, std::shared_ptr<Transport> transport, TmcStatus& report) {
    report = TmcStatusStopped;
    if (const TmcError refused = MayStartRun(s)) return refused;
    ZeroFillPublished(s);
    s.feedIntake.Drop();
    s.scratch.receivedTick = platform::TickCount();
    s.scratch.groupClockTick = 0;
    s.seekParameter.store(kInitialSeekParameter);
    s.devicePresent.store(true);
    s.feedOpen.store(true);
    s.readerRunning.store(true);
    const bool commands = transport != nullptr;
    OpenTransport(s, std::move(transport));
    // The module at the far end is brought into the known state as on a port;
    // with no write function there is no module to command.
    if (commands && SendSentence(s, kStartupTune)) s.tunerMode.store(1);
    if (commands) SendSentence(s, kStartupRfa);
    if (!StartStatusWorker(s)) {
        s.readerRunning.store(false);
        s.feedOpen.store(false);
        CloseTransport(s);
        return TmcErrorOther;
    }
    report = StoreStatus(s, TmcStatusNoRds) ? TmcStatusNoRds : TmcStatusStopped;
    return TmcErrorNone;
}

// Runs `take` as one feed call: refused when no feed is open or from inside
// one of this receiver's feed calls (the bytes would land in the middle of
// the sentence being handled); one at a time; checked again under the lock,
// as a close or a new run may have come.
template <class Take>
bool FeedCall(ReceiverState& s, Take&& take) {
    if (!s.feedOpen.load() || InsideFeedCall(s)) return false;
    EnterFeedCall(s);
    bool fed = false;
    {
        platform::LockGuard guard(s.feedLock);
        if (s.feedOpen.load()) {
            take();
            fed = true;
        }
    }
    LeaveFeedCall(s);
    return fed;
}

bool FeedBytes(ReceiverState& s, const char* bytes, size_t length) {
    if (bytes == nullptr && length > 0) return false;
    return FeedCall(s, [&] {
        const uint32_t now = platform::TickCount();
        s.sentenceTick.store(now);
        s.scratch.receivedTick = now;
        s.feedIntake.Take(s, bytes, length);
    });
}

// A group the program received as a group goes where a "$PLTTR" sentence
// carrying it goes once read, without the sentence: only a log, which
// records sentences, gets one made for it.
bool FeedGroup(ReceiverState& s, const TmcRdsGroup& group, uint32_t tick) {
    return FeedCall(s, [&] {
        s.sentenceTick.store(tick);
        // The activity events follow the clock, as for bytes; it is read
        // again only once the groups' own time has moved on a second, so a
        // recording handed over at full speed costs no clock read per group.
        DecoderScratch& d = s.scratch;
        if (tick - d.groupClockTick >= kClockReadSpacingMs) {
            d.groupClockTick = tick;
            d.receivedTick = platform::TickCount();
        }
        const uint16_t* g = group.blocks;
        if (s.loggingOn.load()) {
            char text[kLineBufferSize], framed[kLineBufferSize];
            std::snprintf(text, sizeof text, "$PLTTR,0,%u,%u,%u,%u", g[0], g[1], g[2], g[3]);
            WriteLogLine(s, framed, FrameSentence(text, framed));
        }
        GroupStep(s, g[0], g[1], g[2], g[3], d.receivedTick);
    });
}

}  // namespace
}  // namespace rdstmc::session

namespace rdstmc {

bool OpenFeed(ReceiverState& s, std::shared_ptr<session::Transport> transport) {
    TmcStatus report;
    bool opened;
    {
        platform::LockGuard guard(s.lifecycleLock);
        opened = session::Outcome(s, session::OpenLocked(s, std::move(transport), report));
    }
    if (report != TmcStatusStopped) NotifyStatus(s, report);
    if (opened) session::OpenStatusGate(s);
    return opened;
}

bool Feed(ReceiverState& s, const void* bytes, size_t length) {
    return session::FeedBytes(s, static_cast<const char*>(bytes), length);
}

bool FeedGroup(ReceiverState& s, const TmcRdsGroup& group, unsigned tick) {
    return session::FeedGroup(s, group, tick);
}

}  // namespace rdstmc

bool TmcOpenFeed(TmcWriteFunction write, void* context) {
    using rdstmc::session::WriteFunctionTransport;
    return rdstmc::OpenFeed(rdstmc::State(), write ? std::make_shared<WriteFunctionTransport>(write, context) : nullptr);
}
bool TmcFeed(const void* bytes, size_t length) { return rdstmc::Feed(rdstmc::State(), bytes, length); }
bool TmcFeedGroup(const TmcRdsGroup& group, unsigned tick) { return rdstmc::FeedGroup(rdstmc::State(), group, tick); }
