// Where the library's commands go: the open serial device, or the write
// function a program supplied with its feed; and the one paced path every
// command sentence takes to it.
#pragma once
#include <cstddef>
#include <memory>

namespace rdstmc {
struct ReceiverState;
}  // namespace rdstmc

namespace rdstmc::session {

class Transport {
public:
    virtual ~Transport();
    // Writes all `length` bytes within `timeoutMs`; true when they went out.
    virtual bool Write(const char* data, size_t length, unsigned timeoutMs) = 0;
    // Makes a write in progress, and every later one, give up at once.
    virtual void Interrupt() {}
    // In a copy of the process: lets go without touching what the parent
    // still uses (a device, its lock).
    virtual void Abandon() {}
};

// The transport of the open run, null when none takes commands.
std::shared_ptr<Transport> CurrentTransport(ReceiverState& s);
// Makes `transport` the open run's, unless the run was closed meanwhile;
// false, installing nothing, then. Any thread.
bool ReplaceTransport(ReceiverState& s, std::shared_ptr<Transport> transport);
// Opens: installs the transport and marks a port open (both under the port lock).
void OpenTransport(ReceiverState& s, std::shared_ptr<Transport> transport);
// Closes: marks no port open, takes the transport away and interrupts it; the
// last holder releases it. False when no port was open.
bool CloseTransport(ReceiverState& s);

// Frames `text` and writes it to the receiver's current transport, then holds the write
// lock for 150 ms so that sentences from any threads are at least that far
// apart. True when the whole sentence was written; false, with nothing
// written and no pause, when no transport takes commands or the text is
// longer than 250 characters.
bool SendSentence(ReceiverState& s, const char* text);

}  // namespace rdstmc::session
