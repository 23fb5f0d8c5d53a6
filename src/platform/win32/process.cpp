#include "platform/process.h"

namespace rdstmc::platform {

// Windows processes are never copied: a new process starts from its image.
void OnProcessCopy(void (*)(), void (*)(), void (*)()) {}

// At exit the loader has ended the other threads before the DLL hears of it.
void OnProcessExit(void (*)()) {}

}  // namespace rdstmc::platform
