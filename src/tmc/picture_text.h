// The traffic picture as text, for keeping it across restarts: a versioned
// header, one line per message, and a closing line with the count and a
// checksum of everything before it, so a cut or altered file is told apart
// from a whole one.
#pragma once
#include <string>
#include <vector>

#include "rdstmc_tmc.h"

namespace rdstmc::picture_text {

std::string Write(int localOffsetMinutes, const std::vector<TmcStoredMessage>& messages);

// All or nothing: false, with a reason, and `messages` untouched, unless the
// whole text is a picture this version writes.
bool Read(const std::string& text, int& localOffsetMinutes, std::vector<TmcStoredMessage>& messages,
          std::string& error);

}  // namespace rdstmc::picture_text
