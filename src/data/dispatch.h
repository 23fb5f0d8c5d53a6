// From a validated line to the decoder of its kind.
#pragma once

namespace rdstmc {

// Hands a valid line (zero-terminated, `lineFeed` at its line feed) to the
// decoder of its kind; kinds without one are ignored.
void DispatchSentence(const char* line, const char* lineFeed);

}  // namespace rdstmc
