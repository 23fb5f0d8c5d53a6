#include "session/intake.h"

#include <cstring>

#include "link/process_buffer.h"

namespace rdstmc::session {

void Intake::Received(ReceiverState& receiver, size_t count) {
    ProcessBuffer(receiver, buffer_, buffer_ + carried_ + count, carried_, true);
}

void Intake::Take(ReceiverState& receiver, const char* bytes, size_t count) {
    while (count > 0) {
        const size_t piece = count < Room() ? count : Room();
        std::memcpy(Space(), bytes, piece);
        Received(receiver, piece);
        bytes += piece;
        count -= piece;
    }
}

}  // namespace rdstmc::session
