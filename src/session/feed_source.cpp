// A run on bytes the program received itself: no device and no worker of
// our own; the program hands the bytes over and takes the commands.
#include "data/listeners.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "session/intake.h"
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

// The feed's receive buffer: one feed call at a time uses it.
Intake g_intake;

bool OpenLocked(TmcWriteFunction write, void* context, TmcStatus& report) {
    ReceiverState& s = State();
    report = TmcStatusStopped;
    if (!MayStartRun()) return false;
    ZeroFillPublished();
    g_intake.Drop();
    s.seekParameter.store(kInitialSeekParameter);
    s.devicePresent.store(true);
    s.feedOpen.store(true);
    s.readerRunning.store(true);
    OpenTransport(write ? std::make_shared<WriteFunctionTransport>(write, context) : nullptr);
    // The module at the far end is brought into the known state as on a port;
    // with no write function there is no module to command.
    if (write && SendSentence(kStartupTune)) s.tunerMode.store(1);
    if (write) SendSentence(kStartupRfa);
    if (!StartStatusWorker()) {
        s.readerRunning.store(false);
        s.feedOpen.store(false);
        CloseTransport();
        return false;
    }
    report = StoreStatus(TmcStatusNoRds) ? TmcStatusNoRds : TmcStatusStopped;
    return true;
}

bool Feed(const char* bytes, size_t length) {
    ReceiverState& s = State();
    // Listeners called from here may not feed again: the bytes would land in
    // the middle of the sentence being handled.
    if (!s.feedOpen.load() || (bytes == nullptr && length > 0) || InsideFeedCall()) return false;
    EnterFeedCall();
    bool fed = false;
    {
        platform::LockGuard guard(s.feedLock);
        // Checked again under the lock: a close, or a new run, may have come.
        if (s.feedOpen.load()) {
            s.sentenceTick.store(platform::TickCount());
            g_intake.Take(bytes, length);
            fed = true;
        }
    }
    LeaveFeedCall();
    return fed;
}

}  // namespace
}  // namespace rdstmc::session

using rdstmc::State;

bool TmcOpenFeed(TmcWriteFunction write, void* context) {
    rdstmc::ReceiverState& s = State();
    TmcStatus report;
    bool opened;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        opened = rdstmc::session::OpenLocked(write, context, report);
    }
    if (report != TmcStatusStopped) rdstmc::NotifyStatus(report);
    if (opened) rdstmc::session::OpenStatusGate();
    return opened;
}

bool TmcFeed(const void* bytes, size_t length) {
    return rdstmc::session::Feed(static_cast<const char*>(bytes), length);
}
