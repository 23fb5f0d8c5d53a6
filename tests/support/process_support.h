// What the POSIX tests measure of their own process, and the programs they
// start.
#pragma once
#include <string>
#include <vector>

#include "support/spawn.h"

namespace rdstmc::test {

int ThreadCount();
int OpenDescriptorCount();
// CPU time used by every thread of this process so far.
double ProcessCpuSeconds();

}  // namespace rdstmc::test
