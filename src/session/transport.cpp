#include "session/transport.h"

#include "data/receiver_state.h"
#include "link/sentence.h"
#include "platform/clock.h"

namespace rdstmc::session {
namespace {
constexpr unsigned kSentenceSpacingMs = 150;
constexpr unsigned kWriteTimeoutMs = 500;
}  // namespace

Transport::~Transport() = default;

std::shared_ptr<Transport> CurrentTransport(ReceiverState& s) {
    platform::LockGuard guard(s.portLock);
    return s.transport;
}

bool ReplaceTransport(ReceiverState& s, std::shared_ptr<Transport> transport) {
    platform::LockGuard guard(s.portLock);
    if (!s.portOpen.load()) return false;
    s.transport = std::move(transport);
    return true;
}

void OpenTransport(ReceiverState& s, std::shared_ptr<Transport> transport) {
    platform::LockGuard guard(s.portLock);
    s.transport = std::move(transport);
    s.portOpen.store(true);
}

bool CloseTransport(ReceiverState& s) {
    std::shared_ptr<Transport> old;
    bool wasOpen;
    {
        platform::LockGuard guard(s.portLock);
        old.swap(s.transport);
        wasOpen = s.portOpen.exchange(false);
    }
    if (old) old->Interrupt();
    return wasOpen;
}

bool SendSentence(ReceiverState& s, const char* text) {
    char framed[kLineBufferSize];
    const size_t length = FrameSentence(text, framed);
    if (length == 0) return false;
    platform::LockGuard guard(s.writeLock);
    bool written;
    {
        // Only the write holds the transport; a close during the pause
        // below releases it at once.
        const std::shared_ptr<Transport> transport = CurrentTransport(s);
        if (!transport) return false;
        written = transport->Write(framed, length, kWriteTimeoutMs);
    }
    platform::SleepMs(kSentenceSpacingMs);
    return written;
}

}  // namespace rdstmc::session
