// Which serial devices a receiver could be on.
#pragma once
#include <cstdio>
#include <string>

namespace rdstmc::monitor {

// Writes the serial devices under `deviceDir` (normally "/dev") to `out`:
// first the stable names under serial/by-id/ with the device each points to,
// then every ttyUSB*, ttyACM* and ttyS* device that has hardware behind it,
// each with whether this user can open it and, if not, why and what to do.
// Returns how many devices it listed.
int ListPorts(std::FILE* out, const std::string& deviceDir);

}  // namespace rdstmc::monitor
