// Planned failures of the system calls under the platform layer, for one
// descriptor at a time: the device or file whose path holds a given text.
// Everything else passes straight through to the real calls.
#pragma once
#include <cerrno>
#include <cstddef>
#include <string>

namespace rdstmc::test {

class FaultInjector {
public:
    // Installs the injecting call table. Construct it before the library
    // starts a thread (before TmcOpen); it stays installed for the process,
    // with nothing planned once this object is gone.
    explicit FaultInjector(const std::string& pathPart);
    ~FaultInjector();

    // The next `count` calls of that kind on the target fail with `error`
    // (count < 0: until cleared).
    void FailReads(int count, int error);
    void FailWrites(int count, int error);
    void FailPolls(int count, int error);
    void FailOpens(int count, int error);
    // The next `count` line-setting calls (tcsetattr) fail with `error`.
    void FailLineSettings(int count, int error);
    // Reads report end of file, as a device that hung up does.
    void HangUp(bool on);
    // Writes take at most `bytes` bytes each (0: no limit).
    void LimitWrites(size_t bytes);
    void Clear();

    // Calls made on the target since construction or ResetCounts.
    int Reads() const;
    int Polls() const;
    int Writes() const;
    void ResetCounts();
};

}  // namespace rdstmc::test
