// A run on a serial device: opening it, the reader that hands its bytes to
// the framing, and the device's presence when it goes away and comes back.
#include <cstring>

#include "data/listeners.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "session/intake.h"
#include "session/receiver.h"
#include "session/run.h"
#include "session/transport.h"
#include "text/text.h"

namespace rdstmc::session {
namespace {

constexpr unsigned kReadTimeoutMs = 1000;
// A start-up sentence is retried this long before the port is given up.
constexpr unsigned kStartupRetryMs = 2000;
// A device that fails at once is retried at this pace, never in a spin.
constexpr unsigned kFailedReadPauseMs = 100;
// A device that has gone away is looked for by its name this often.
constexpr uint64_t kLookAgainMs = 1000;
constexpr size_t kMaxPortNameLength = 255;
constexpr size_t kNativeNameSize = 4 * kMaxPortNameLength + 1;
static_assert(kNativeNameSize <= sizeof ReceiverState::portPath, "the reader's copy of the name must fit");

constexpr char kStartupTune[] = "$PLTCM,H2,8800";
constexpr char kStartupRfa[] = "$PLTCM,RFA,65535";
constexpr int kInitialSeekParameter = 502;

// Commands go to the device the reader reads.
class SerialTransport final : public Transport {
public:
    explicit SerialTransport(std::shared_ptr<platform::SerialDevice> device) : device_(std::move(device)) {}
    bool Write(const char* data, size_t length, unsigned timeoutMs) override {
        return platform::SerialWrite(device_.get(), data, length, timeoutMs);
    }
    void Interrupt() override { platform::SerialInterrupt(device_.get()); }
    void Abandon() override { platform::SerialAbandon(device_.get()); }
    const std::shared_ptr<platform::SerialDevice>& Device() const { return device_; }

private:
    std::shared_ptr<platform::SerialDevice> device_;
};

std::shared_ptr<platform::SerialDevice> OpenDevice(const char* path, unsigned baud,
                                                   platform::OpenFailure* why = nullptr) {
    return std::shared_ptr<platform::SerialDevice>(platform::SerialOpen(path, baud, why), platform::SerialClose);
}

// Stores whether the device answers and tells the listener when that changed.
void ReportDevice(ReceiverState& s, bool present) {
    if (s.devicePresent.exchange(present) == present) return;
    NotifyListener<ITmcDeviceListener>(s.slots.device, [&](ITmcDeviceListener* l) { l->OnDeviceChanged(present); });
}

// Opens the device anew by its name and makes it the port's, unless the port
// was closed meanwhile. Null when it is not back (while this process still
// holds the old one, its own lock keeps a device that is merely failing from
// being opened twice).
std::shared_ptr<platform::SerialDevice> OpenAgain(ReceiverState& s) {
    std::shared_ptr<platform::SerialDevice> fresh = OpenDevice(s.portPath, s.baud);
    if (!fresh || !ReplaceTransport(s, std::make_shared<SerialTransport>(fresh))) return nullptr;
    return fresh;
}

struct ReaderStart {
    ReceiverState& receiver;
    std::shared_ptr<platform::SerialDevice> device;
};

void ReaderWorker(void* raw) {
    ReceiverState& s = static_cast<ReaderStart*>(raw)->receiver;
    std::shared_ptr<platform::SerialDevice> device = std::move(static_cast<ReaderStart*>(raw)->device);
    delete static_cast<ReaderStart*>(raw);
    Intake intake;
    uint64_t lookAgainAt = 0;
    while (s.readerRunning.load()) {
        const long n = platform::SerialRead(device.get(), intake.Space(), intake.Room(), kReadTimeoutMs);
        if (n == platform::kSerialGone) {
            ReportDevice(s, false);
            if (platform::MonotonicMs() >= lookAgainAt) {
                lookAgainAt = platform::MonotonicMs() + kLookAgainMs;
                if (std::shared_ptr<platform::SerialDevice> fresh = OpenAgain(s)) {
                    // A sentence cut off by the removal is not finished by the new device.
                    device = std::move(fresh);
                    intake.Drop();
                    ReportDevice(s, true);
                    continue;
                }
            }
        }
        if (n < 0) {
            s.stopSignal.Wait(kFailedReadPauseMs);
            continue;
        }
        if (n == 0) continue;
        const uint32_t now = platform::TickCount();
        s.sentenceTick.store(now);
        s.scratch.receivedTick = now;
        ReportDevice(s, true);
        intake.Received(s, static_cast<size_t>(n));
    }
}

bool SendUntilAccepted(ReceiverState& s, const char* text) {
    const uint64_t deadline = platform::MonotonicMs() + kStartupRetryMs;
    do {
        if (SendSentence(s, text)) return true;
    } while (platform::MonotonicMs() < deadline);
    return false;
}

// The open itself, with lifecycleLock held: the reason of a refusal, or
// TmcErrorNone. Returns the status to report after the lock is released
// (TmcStatusStopped for none) through `report`.
TmcError OpenLocked(ReceiverState& s, const unsigned short port[], unsigned baud, TmcStatus& report) {
    report = TmcStatusStopped;
    if (const TmcError refused = MayStartRun(s)) return refused;

    auto fail = [&](TmcError why) {
        report = StoreStatus(s, TmcStatusOpenFailed) ? TmcStatusOpenFailed : TmcStatusStopped;
        return why;
    };
    char nativeName[kNativeNameSize];
    if (port == nullptr || port[0] == 0 || text::WideLength(port, kMaxPortNameLength + 1) > kMaxPortNameLength ||
        !text::WideToNativePath(port, nativeName, sizeof nativeName)) {
        return fail(TmcErrorBadArgument);
    }
    platform::OpenFailure why;
    std::shared_ptr<platform::SerialDevice> device = OpenDevice(nativeName, baud, &why);
    if (!device) return fail(ErrorOf(why));

    // The probe only proves the device can be read; it does not wait for data.
    char probe[kReceiveBufferSize];
    if (platform::SerialRead(device.get(), probe, sizeof probe, 0) < 0) return fail(TmcErrorOther);

    ZeroFillPublished(s);
    s.seekParameter.store(kInitialSeekParameter);
    std::memcpy(s.portName, port, (text::WideLength(port, kMaxPortNameLength) + 1) * sizeof(uint16_t));
    std::memcpy(s.portPath, nativeName, sizeof nativeName);
    s.baud = baud;
    s.devicePresent.store(true);
    OpenTransport(s, std::make_shared<SerialTransport>(device));
    bool started = SendUntilAccepted(s, kStartupTune);
    if (started) s.tunerMode.store(1);
    started = started && SendUntilAccepted(s, kStartupRfa);
    const TmcError whyNot = started ? TmcErrorOther : TmcErrorNoAnswer;
    if (started) {
        s.readerRunning.store(true);
        ReaderStart* start = new ReaderStart{s, device};
        started = s.dataWorker.Start(ReaderWorker, start, "rdstmc-reader");
        if (!started) delete start;
    }
    if (started && !StartStatusWorker(s)) {
        s.readerRunning.store(false);
        SignalRunEnded(s);
        started = false;
    }
    if (!started) {
        s.readerRunning.store(false);
        CloseTransport(s);
        return fail(whyNot);
    }
    report = StoreStatus(s, TmcStatusNoRds) ? TmcStatusNoRds : TmcStatusStopped;
    return TmcErrorNone;
}

}  // namespace
}  // namespace rdstmc::session

namespace rdstmc {

bool Open(ReceiverState& s, const unsigned short port[], unsigned baud) {
    TmcStatus report;
    bool opened;
    {
        platform::LockGuard guard(s.lifecycleLock);
        opened = session::Outcome(s, session::OpenLocked(s, port, baud, report));
    }
    // Listeners hear the new status with no lock held, before the status
    // worker may report anything newer.
    if (report != TmcStatusStopped) NotifyStatus(s, report);
    if (opened) session::OpenStatusGate(s);
    return opened;
}

bool Close(ReceiverState& s) {
    platform::LockGuard guard(s.lifecycleLock);
    s.readerRunning.store(false);
    s.feedOpen.store(false);
    s.devicePresent.store(false);
    if (!session::CloseTransport(s)) return false;
    session::SignalRunEnded(s);
    return true;
}

bool IsDevicePresent(const ReceiverState& s) { return s.portOpen.load() && s.devicePresent.load(); }

bool Reopen(ReceiverState& s) {
    // A worker cannot wait for its own run to end, so the open would be
    // refused; refuse before closing, so the connection stays as it is. A
    // feed has no device to open again.
    if (platform::Thread::CurrentIsWorker()) return session::Outcome(s, TmcErrorBusy);
    if (s.feedOpen.load()) return session::Outcome(s, TmcErrorAlreadyOpen);
    unsigned short name[kWideTextSize];
    unsigned baud;
    {
        platform::LockGuard guard(s.lifecycleLock);
        std::memcpy(name, s.portName, sizeof name);
        baud = s.baud;
    }
    if (!Close(s)) return false;
    return Open(s, name, baud);
}

bool GetSentenceTick(const ReceiverState& s, unsigned& tick) {
    if (!DataAvailable(s)) return false;
    tick = s.sentenceTick.load();
    return true;
}

}  // namespace rdstmc

using rdstmc::State;

bool TmcOpen(const unsigned short port[], unsigned baud) { return rdstmc::Open(State(), port, baud); }
bool TmcClose() { return rdstmc::Close(State()); }
bool TmcIsOpen() { return State().portOpen.load(); }
bool TmcIsDevicePresent() { return rdstmc::IsDevicePresent(State()); }
bool TmcReopen() { return rdstmc::Reopen(State()); }
bool TmcGetSentenceTick(unsigned& tick) { return rdstmc::GetSentenceTick(State(), tick); }
