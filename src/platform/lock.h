// Mutual exclusion within the process.
#pragma once

namespace rdstmc::platform {

// A non-recursive lock. Taking it twice on one thread deadlocks; releasing it
// on a thread that does not hold it is undefined. Usable from any thread for
// the whole life of the object.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

    void Acquire();
    void Release();

private:
    alignas(16) unsigned char storage_[64];
};

// Holds a Lock for the life of a scope.
class LockGuard {
public:
    explicit LockGuard(Lock& lock) : lock_(lock) { lock_.Acquire(); }
    ~LockGuard() { lock_.Release(); }
    LockGuard(const LockGuard&) = delete;
    LockGuard& operator=(const LockGuard&) = delete;

private:
    Lock& lock_;
};

}  // namespace rdstmc::platform
