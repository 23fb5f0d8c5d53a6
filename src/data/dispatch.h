// From a validated line to the decoder of its kind.
#pragma once

namespace rdstmc {

struct ReceiverState;

// Hands a valid line (zero-terminated, `lineFeed` at its line feed) to the
// decoder of its kind, for `receiver`; kinds without one are ignored.
void DispatchSentence(ReceiverState& receiver, const char* line, const char* lineFeed);

}  // namespace rdstmc
