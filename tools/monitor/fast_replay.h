// Playing a recording faster than the library's own replay, which keeps to
// one recorded second per second.
#pragma once
#include <memory>
#include <string>

namespace rdstmc::monitor {

// Plays a recording into the library's live path: an in-process
// pseudo-terminal stands in for the receiver and the library opens it as its
// port, so every sentence goes through the reader, the framing and the
// decoders as from a real module. Systems without pseudo-terminals
// (Windows) refuse to start, saying so.
class FastReplay {
public:
    FastReplay();
    ~FastReplay();

    // Opens the library on the pseudo-terminal and starts playing `path` at
    // `speed` times its recorded pace (0: as fast as the library reads).
    // False, with a reason, when the file or the port cannot be used.
    bool Start(const std::string& path, double speed, std::string& error);
    // True once the library has read the last sentence.
    bool Finished() const;
    // Stops playing (if still playing) and closes the library's port.
    void Stop();

private:
    struct Player;
    std::unique_ptr<Player> player_;
};

}  // namespace rdstmc::monitor
