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
        Stack& s = stack_;
        if (s.depth < kMaxDepth) s.entries[s.depth] = object;
        ++s.depth;
    }
    static void Leave() { --stack_.depth; }
    // How many calls on `object` this thread is inside.
    static int Count(const void* object) {
        const Stack& s = stack_;
        int count = 0;
        const int recorded = s.depth < kMaxDepth ? s.depth : kMaxDepth;
        for (int i = 0; i < recorded; ++i) count += s.entries[i] == object;
        return count;
    }

private:
    static constexpr int kMaxDepth = 64;
    // One thread-local object, so each use looks the thread's storage up once.
    struct Stack {
        const void* entries[kMaxDepth];
        int depth;
    };
    static inline thread_local Stack stack_{};
};

}  // namespace rdstmc
