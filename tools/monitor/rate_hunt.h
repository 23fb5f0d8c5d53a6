// Finding the line speed of a receiver whose rate the user does not know.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace rdstmc::monitor {

// The rates tried, in order: the modules' usual rate first, then the common ones.
const std::vector<unsigned>& HuntedRates();

enum class HuntOutcome { kFound, kSilent, kUnusable };

struct HuntResult {
    HuntOutcome outcome;
    unsigned baud;  // kFound: the rate the module was heard at
};

// Opens `port` at each rate in turn and listens for about two seconds for
// anything the library decodes from the module: the tuning report that
// answers the start-up tune, a station name, an RDS group. kUnusable when the
// device cannot be opened at all. `trying` is told each rate once the port
// is open at it. Uses every listener slot while it runs and leaves the port closed.
HuntResult HuntRate(const std::string& port, const std::function<void(unsigned)>& trying);

}  // namespace rdstmc::monitor
