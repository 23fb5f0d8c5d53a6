// Which serial ports a receiver could be on, and why one cannot be used.
#pragma once
#include <cstdio>
#include <string>

#include "rdstmc_ext.h"

namespace rdstmc::monitor {

// Writes the serial ports there are to `out`, each with whether this user
// can open it and, if not, why and what to do. Returns how many it listed.
int ListPorts(std::FILE* out);

// Why `device` could not be opened at `baud`, as the library said (`why`),
// in terms a user can act on.
std::string ExplainPortFailure(const std::string& device, unsigned baud, TmcError why);

}  // namespace rdstmc::monitor
