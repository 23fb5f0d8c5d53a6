// A run on bytes the program received itself: no device and no worker of
// our own; the program hands the bytes over and takes the commands.
#include "data/listeners.h"
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

bool FeedLocked(ReceiverState& s, const char* bytes, size_t length) {
    // Listeners called from here may not feed again: the bytes would land in
    // the middle of the sentence being handled.
    if (!s.feedOpen.load() || (bytes == nullptr && length > 0) || InsideFeedCall(s)) return false;
    EnterFeedCall(s);
    bool fed = false;
    {
        platform::LockGuard guard(s.feedLock);
        // Checked again under the lock: a close, or a new run, may have come.
        if (s.feedOpen.load()) {
            s.sentenceTick.store(platform::TickCount());
            s.feedIntake.Take(s, bytes, length);
            fed = true;
        }
    }
    LeaveFeedCall(s);
    return fed;
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
    return session::FeedLocked(s, static_cast<const char*>(bytes), length);
}

}  // namespace rdstmc

bool TmcOpenFeed(TmcWriteFunction write, void* context) {
    using rdstmc::session::WriteFunctionTransport;
    return rdstmc::OpenFeed(rdstmc::State(), write ? std::make_shared<WriteFunctionTransport>(write, context) : nullptr);
}
bool TmcFeed(const void* bytes, size_t length) { return rdstmc::Feed(rdstmc::State(), bytes, length); }
