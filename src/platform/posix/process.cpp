#include "platform/process.h"

#include <pthread.h>

#include <cstdlib>

namespace rdstmc::platform {

void OnProcessCopy(void (*prepare)(), void (*parent)(), void (*child)()) { pthread_atfork(prepare, parent, child); }

void OnProcessExit(void (*handler)()) { std::atexit(handler); }

}  // namespace rdstmc::platform
