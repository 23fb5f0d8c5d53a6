#include "platform/lock.h"

#include <windows.h>

namespace rdstmc::platform {

static_assert(sizeof(SRWLOCK) <= 64, "Lock storage too small for SRWLOCK");

// A slim reader/writer lock, taken exclusively: non-recursive, as the
// library's locks are, and with nothing to destroy.
static SRWLOCK* Native(unsigned char* storage) { return reinterpret_cast<SRWLOCK*>(storage); }

Lock::Lock() { InitializeSRWLock(Native(storage_)); }
Lock::~Lock() = default;
void Lock::Acquire() { AcquireSRWLockExclusive(Native(storage_)); }
void Lock::Release() { ReleaseSRWLockExclusive(Native(storage_)); }

}  // namespace rdstmc::platform
