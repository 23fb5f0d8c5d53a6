// Playing a recording faster than the library's own replay, which keeps to
// one recorded second per second.
#pragma once
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "receiver_emulator.h"
#include "recording.h"

namespace rdstmc::monitor {

// Plays a recording into the library's live path: an in-process
// pseudo-terminal stands in for the receiver and the library opens it as its
// port, so every sentence goes through the reader, the framing and the
// decoders as from a real module.
class FastReplay {
public:
    ~FastReplay();

    // Opens the library on the pseudo-terminal and starts playing `path` at
    // `speed` times its recorded pace (0: as fast as the library reads).
    // False, with a reason, when the file or the port cannot be used.
    bool Start(const std::string& path, double speed, std::string& error);
    // True once the library has read the last sentence.
    bool Finished() const { return finished_.load(); }
    // Stops playing (if still playing) and closes the library's port.
    void Stop();

private:
    void Play(double speed);

    std::vector<emulator::RecordedSentence> sentences_;
    std::unique_ptr<emulator::ReceiverEmulator> receiver_;
    std::atomic<bool> stop_{false}, finished_{false};
    std::thread player_;
};

}  // namespace rdstmc::monitor
