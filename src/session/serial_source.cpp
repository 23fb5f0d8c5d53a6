// A run on a serial device: opening it, the reader that hands its bytes to
// the framing, and the device's presence when it goes away and comes back.
#include <cstring>

#include "data/listeners.h"
#include "data/receiver_state.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "session/intake.h"
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

std::shared_ptr<platform::SerialDevice> OpenDevice(const char* path, unsigned baud) {
    return std::shared_ptr<platform::SerialDevice>(platform::SerialOpen(path, baud), platform::SerialClose);
}

// Stores whether the device answers and tells the listener when that changed.
void ReportDevice(bool present) {
    if (State().devicePresent.exchange(present) == present) return;
    NotifyListener<ITmcDeviceListener>(DeviceSlot(), [&](ITmcDeviceListener* l) { l->OnDeviceChanged(present); });
}

// Opens the device anew by its name and makes it the port's, unless the port
// was closed meanwhile. Null when it is not back (while this process still
// holds the old one, its own lock keeps a device that is merely failing from
// being opened twice).
std::shared_ptr<platform::SerialDevice> OpenAgain() {
    ReceiverState& s = State();
    std::shared_ptr<platform::SerialDevice> fresh = OpenDevice(s.portPath, s.baud);
    if (!fresh || !ReplaceTransport(std::make_shared<SerialTransport>(fresh))) return nullptr;
    return fresh;
}

struct ReaderStart {
    std::shared_ptr<platform::SerialDevice> device;
};

void ReaderWorker(void* raw) {
    ReceiverState& s = State();
    std::shared_ptr<platform::SerialDevice> device = std::move(static_cast<ReaderStart*>(raw)->device);
    delete static_cast<ReaderStart*>(raw);
    Intake intake;
    uint64_t lookAgainAt = 0;
    while (s.readerRunning.load()) {
        const long n = platform::SerialRead(device.get(), intake.Space(), intake.Room(), kReadTimeoutMs);
        if (n == platform::kSerialGone) {
            ReportDevice(false);
            if (platform::MonotonicMs() >= lookAgainAt) {
                lookAgainAt = platform::MonotonicMs() + kLookAgainMs;
                if (std::shared_ptr<platform::SerialDevice> fresh = OpenAgain()) {
                    // A sentence cut off by the removal is not finished by the new device.
                    device = std::move(fresh);
                    intake.Drop();
                    ReportDevice(true);
                    continue;
                }
            }
        }
        if (n < 0) {
            s.stopSignal.Wait(kFailedReadPauseMs);
            continue;
        }
        if (n == 0) continue;
        s.sentenceTick.store(platform::TickCount());
        ReportDevice(true);
        intake.Received(static_cast<size_t>(n));
    }
}

bool SendUntilAccepted(const char* text) {
    const uint64_t deadline = platform::MonotonicMs() + kStartupRetryMs;
    do {
        if (SendSentence(text)) return true;
    } while (platform::MonotonicMs() < deadline);
    return false;
}

// The open itself, with lifecycleLock held. Returns the status to report
// after the lock is released (TmcStatusStopped for none) through `report`.
bool OpenLocked(const unsigned short port[], unsigned baud, TmcStatus& report) {
    ReceiverState& s = State();
    report = TmcStatusStopped;
    if (!MayStartRun()) return false;

    auto fail = [&] {
        report = StoreStatus(TmcStatusOpenFailed) ? TmcStatusOpenFailed : TmcStatusStopped;
        return false;
    };
    char nativeName[kNativeNameSize];
    if (port == nullptr || text::WideLength(port, kMaxPortNameLength + 1) > kMaxPortNameLength ||
        !text::WideToNativePath(port, nativeName, sizeof nativeName)) {
        return fail();
    }
    std::shared_ptr<platform::SerialDevice> device = OpenDevice(nativeName, baud);
    if (!device) return fail();

    // The probe only proves the device can be read; it does not wait for data.
    char probe[kReceiveBufferSize];
    if (platform::SerialRead(device.get(), probe, sizeof probe, 0) < 0) return fail();

    ZeroFillPublished();
    s.seekParameter.store(kInitialSeekParameter);
    std::memcpy(s.portName, port, (text::WideLength(port, kMaxPortNameLength) + 1) * sizeof(uint16_t));
    std::memcpy(s.portPath, nativeName, sizeof nativeName);
    s.baud = baud;
    s.devicePresent.store(true);
    OpenTransport(std::make_shared<SerialTransport>(device));
    bool started = SendUntilAccepted(kStartupTune);
    if (started) s.tunerMode.store(1);
    started = started && SendUntilAccepted(kStartupRfa);
    if (started) {
        s.readerRunning.store(true);
        ReaderStart* start = new ReaderStart{device};
        started = s.dataWorker.Start(ReaderWorker, start, "rdstmc-reader");
        if (!started) delete start;
    }
    if (started && !StartStatusWorker()) {
        s.readerRunning.store(false);
        SignalRunEnded();
        started = false;
    }
    if (!started) {
        s.readerRunning.store(false);
        CloseTransport();
        return fail();
    }
    report = StoreStatus(TmcStatusNoRds) ? TmcStatusNoRds : TmcStatusStopped;
    return true;
}

}  // namespace
}  // namespace rdstmc::session

using rdstmc::State;

bool TmcOpen(const unsigned short port[], unsigned baud) {
    rdstmc::ReceiverState& s = State();
    TmcStatus report;
    bool opened;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        opened = rdstmc::session::OpenLocked(port, baud, report);
    }
    // Listeners hear the new status with no lock held, before the status
    // worker may report anything newer.
    if (report != TmcStatusStopped) rdstmc::NotifyStatus(report);
    if (opened) rdstmc::session::OpenStatusGate();
    return opened;
}

bool TmcClose() {
    rdstmc::ReceiverState& s = State();
    rdstmc::platform::LockGuard guard(s.lifecycleLock);
    s.readerRunning.store(false);
    s.feedOpen.store(false);
    s.devicePresent.store(false);
    if (!rdstmc::session::CloseTransport()) return false;
    rdstmc::session::SignalRunEnded();
    return true;
}

bool TmcIsOpen() { return State().portOpen.load(); }

bool TmcIsDevicePresent() {
    const rdstmc::ReceiverState& s = State();
    return s.portOpen.load() && s.devicePresent.load();
}

bool TmcReopen() {
    // A worker cannot wait for its own run to end, so the open would be
    // refused; refuse before closing, so the connection stays as it is. A
    // feed has no device to open again.
    if (rdstmc::platform::Thread::CurrentIsWorker() || State().feedOpen.load()) return false;
    rdstmc::ReceiverState& s = State();
    unsigned short name[rdstmc::kWideTextSize];
    unsigned baud;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        std::memcpy(name, s.portName, sizeof name);
        baud = s.baud;
    }
    if (!TmcClose()) return false;
    return TmcOpen(name, baud);
}

bool TmcGetSentenceTick(unsigned& tick) {
    if (!rdstmc::DataAvailable()) return false;
    tick = State().sentenceTick.load();
    return true;
}
