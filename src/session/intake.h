// The receive buffer of a live source, the serial reader's or the program's
// feed: bytes in, through the one framing path (logged when logging is on),
// an unfinished sentence carried over to the bytes that follow.
#pragma once
#include <cstddef>

#include "link/sentence.h"

namespace rdstmc {
struct ReceiverState;
}  // namespace rdstmc

namespace rdstmc::session {

class Intake {
public:
    // Where the next bytes may be read to, and how many fit.
    char* Space() { return buffer_ + carried_; }
    size_t Room() const { return sizeof buffer_ - carried_; }
    // Processes `count` bytes just placed at Space() as `receiver`'s.
    void Received(ReceiverState& receiver, size_t count);
    // Copies `count` bytes in, in pieces that fit, processing each.
    void Take(ReceiverState& receiver, const char* bytes, size_t count);
    // Forgets an unfinished sentence (its source is gone).
    void Drop() { carried_ = 0; }

private:
    char buffer_[kReceiveBufferSize];
    size_t carried_ = 0;
};

}  // namespace rdstmc::session
