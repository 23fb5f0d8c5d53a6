#include "platform/lock.h"

#include <pthread.h>

namespace rdstmc::platform {

static_assert(sizeof(pthread_mutex_t) <= 64, "Lock storage too small for pthread_mutex_t");

static pthread_mutex_t* Native(unsigned char* storage) {
    return reinterpret_cast<pthread_mutex_t*>(storage);
}

Lock::Lock() { pthread_mutex_init(Native(storage_), nullptr); }
Lock::~Lock() { pthread_mutex_destroy(Native(storage_)); }
void Lock::Acquire() { pthread_mutex_lock(Native(storage_)); }
void Lock::Release() { pthread_mutex_unlock(Native(storage_)); }

}  // namespace rdstmc::platform
