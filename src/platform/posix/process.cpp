#include "platform/process.h"

#include <pthread.h>

namespace rdstmc::platform {

void OnProcessCopy(void (*prepare)(), void (*parent)(), void (*child)()) { pthread_atfork(prepare, parent, child); }

}  // namespace rdstmc::platform
