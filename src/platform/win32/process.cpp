#include "platform/process.h"

namespace rdstmc::platform {

// Windows processes are never copied: a new process starts from its image.
void OnProcessCopy(void (*)(), void (*)(), void (*)()) {}

}  // namespace rdstmc::platform
