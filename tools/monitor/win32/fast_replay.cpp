#include "fast_replay.h"

namespace rdstmc::monitor {

// Nothing to hold: without a pseudo-terminal there is nothing to play through.
struct FastReplay::Player {};

FastReplay::FastReplay() = default;
FastReplay::~FastReplay() = default;

bool FastReplay::Start(const std::string&, double, std::string& error) {
    error = "--speed plays through a pseudo-terminal, which Windows does not have; without --speed the "
            "recording plays at its own pace";
    return false;
}

bool FastReplay::Finished() const { return true; }

void FastReplay::Stop() {}

}  // namespace rdstmc::monitor
