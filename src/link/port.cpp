#include "link/port.h"

#include <cstring>

#include "data/listeners.h"
#include "data/receiver_state.h"
#include "link/process_buffer.h"
#include "link/runs.h"
#include "link/sentence.h"
#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/text.h"

namespace rdstmc {
namespace {

constexpr unsigned kSentenceSpacingMs = 150;
constexpr unsigned kWriteTimeoutMs = 500;
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

std::shared_ptr<platform::SerialDevice> CurrentPort() {
    ReceiverState& s = State();
    platform::LockGuard guard(s.portLock);
    return s.port;
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
    std::shared_ptr<platform::SerialDevice> fresh(platform::SerialOpen(s.portPath, s.baud), platform::SerialClose);
    if (!fresh) return nullptr;
    platform::LockGuard guard(s.portLock);
    if (!s.portOpen.load()) return nullptr;
    s.port = fresh;
    return fresh;
}

void ReaderWorker(void*) {
    ReceiverState& s = State();
    std::shared_ptr<platform::SerialDevice> device = CurrentPort();
    if (!device) return;
    char buffer[kReceiveBufferSize];
    size_t carried = 0;
    uint64_t lookAgainAt = 0;
    while (s.readerRunning.load()) {
        const long n = platform::SerialRead(device.get(), buffer + carried, sizeof buffer - carried, kReadTimeoutMs);
        if (n == platform::kSerialGone) {
            ReportDevice(false);
            if (platform::MonotonicMs() >= lookAgainAt) {
                lookAgainAt = platform::MonotonicMs() + kLookAgainMs;
                if (std::shared_ptr<platform::SerialDevice> fresh = OpenAgain()) {
                    // A sentence cut off by the removal is not finished by the new device.
                    device = std::move(fresh);
                    carried = 0;
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
        ProcessBuffer(buffer, buffer + carried + n, carried, true);
    }
}

bool SendUntilAccepted(const char* text) {
    const uint64_t deadline = platform::MonotonicMs() + kStartupRetryMs;
    do {
        if (SendSentence(text)) return true;
    } while (platform::MonotonicMs() < deadline);
    return false;
}

// Detaches the port from the state and stops its users; the device itself is
// released by whichever holder lets go of it last.
bool DetachPort() {
    ReceiverState& s = State();
    std::shared_ptr<platform::SerialDevice> old;
    {
        platform::LockGuard guard(s.portLock);
        old.swap(s.port);
        s.portOpen.store(false);
        s.devicePresent.store(false);
    }
    if (!old) return false;
    platform::SerialInterrupt(old.get());
    return true;
}

// The open itself, with lifecycleLock held. Returns the status to report
// after the lock is released (TmcStatusStopped for none) through `report`.
bool OpenLocked(const unsigned short port[], unsigned baud, TmcStatus& report) {
    ReceiverState& s = State();
    report = TmcStatusStopped;
    if (s.portOpen.load() || s.replayRunning.load()) return false;
    if (!EndPreviousRun()) return false;

    auto fail = [&] {
        report = StoreStatus(TmcStatusOpenFailed) ? TmcStatusOpenFailed : TmcStatusStopped;
        return false;
    };
    char nativeName[kNativeNameSize];
    if (port == nullptr || platform::WideLength(port, kMaxPortNameLength + 1) > kMaxPortNameLength ||
        !platform::WideToNativePath(port, nativeName, sizeof nativeName)) {
        return fail();
    }
    std::shared_ptr<platform::SerialDevice> device(platform::SerialOpen(nativeName, baud), platform::SerialClose);
    if (!device) return fail();

    // The probe only proves the device can be read; it does not wait for data.
    char probe[kReceiveBufferSize];
    if (platform::SerialRead(device.get(), probe, sizeof probe, 0) < 0) return fail();

    ZeroFillPublished();
    s.seekParameter.store(kInitialSeekParameter);
    std::memcpy(s.portName, port, (platform::WideLength(port, kMaxPortNameLength) + 1) * sizeof(uint16_t));
    std::memcpy(s.portPath, nativeName, sizeof nativeName);
    s.baud = baud;
    s.devicePresent.store(true);
    {
        platform::LockGuard guard(s.portLock);
        s.port = device;
        s.portOpen.store(true);
    }
    bool started = SendUntilAccepted(kStartupTune);
    if (started) s.tunerMode.store(1);
    started = started && SendUntilAccepted(kStartupRfa);
    if (started) {
        s.readerRunning.store(true);
        started = s.dataWorker.Start(ReaderWorker, nullptr, "rdstmc-reader");
    }
    if (started && !StartStatusWorker()) {
        s.readerRunning.store(false);
        SignalRunEnded();
        started = false;
    }
    if (!started) {
        s.readerRunning.store(false);
        DetachPort();
        return fail();
    }
    report = StoreStatus(TmcStatusNoRds) ? TmcStatusNoRds : TmcStatusStopped;
    return true;
}

}  // namespace

bool SendSentence(const char* text) {
    ReceiverState& s = State();
    char framed[kLineBufferSize];
    const size_t length = FrameSentence(text, framed);
    if (length == 0) return false;
    platform::LockGuard guard(s.writeLock);
    bool written;
    {
        // Only the write holds the device; a close during the pause below
        // releases it at once.
        const std::shared_ptr<platform::SerialDevice> device = CurrentPort();
        if (!device) return false;
        written = platform::SerialWrite(device.get(), framed, length, kWriteTimeoutMs);
    }
    platform::SleepMs(kSentenceSpacingMs);
    return written;
}

}  // namespace rdstmc

using rdstmc::State;

bool TmcOpen(const unsigned short port[], unsigned baud) {
    rdstmc::ReceiverState& s = State();
    TmcStatus report;
    bool opened;
    {
        rdstmc::platform::LockGuard guard(s.lifecycleLock);
        opened = rdstmc::OpenLocked(port, baud, report);
    }
    // Listeners hear the new status with no lock held, before the status
    // worker may report anything newer.
    if (report != TmcStatusStopped) rdstmc::NotifyStatus(report);
    if (opened) rdstmc::OpenStatusGate();
    return opened;
}

bool TmcClose() {
    rdstmc::ReceiverState& s = State();
    rdstmc::platform::LockGuard guard(s.lifecycleLock);
    s.readerRunning.store(false);
    if (!rdstmc::DetachPort()) return false;
    rdstmc::SignalRunEnded();
    return true;
}

bool TmcIsOpen() { return State().portOpen.load(); }

bool TmcGetSentenceTick(unsigned& tick) {
    if (!rdstmc::DataAvailable()) return false;
    tick = State().sentenceTick.load();
    return true;
}

bool TmcIsDevicePresent() {
    const rdstmc::ReceiverState& s = State();
    return s.portOpen.load() && s.devicePresent.load();
}

bool TmcReopen() {
    // A worker cannot wait for its own run to end, so the open would be
    // refused; refuse before closing, so the connection stays as it is.
    if (rdstmc::platform::Thread::CurrentIsWorker()) return false;
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
