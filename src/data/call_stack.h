// What the calling thread is inside a call on, innermost last: a listener
// slot, a receiver's feed. A thread must not wait for a call it is itself
// part of, so waits subtract its own calls.
#pragma once

namespace rdstmc {

// One stack per Tag, per thread. Calls nest only through one receiver's
// callback reaching another receiver, so the depth is small; entries past
// kMaxDepth are counted in the depth but not recorded (a wait from that deep
// then waits for the calls around it, never for itself alone).
template <class Tag>
class CallStack {
public:
    static void Enter(const void* object) {
        if (depth_ < kMaxDepth) entries_[depth_] = object;
        ++depth_;
    }
    static void Leave() { --depth_; }
    // How many calls on `object` this thread is inside.
    static int Count(const void* object) {
        int count = 0;
        const int recorded = depth_ < kMaxDepth ? depth_ : kMaxDepth;
        for (int i = 0; i < recorded; ++i) count += entries_[i] == object;
        return count;
    }

private:
    static constexpr int kMaxDepth = 64;
    static inline thread_local const void* entries_[kMaxDepth];
    static inline thread_local int depth_ = 0;
};

}  // namespace rdstmc
