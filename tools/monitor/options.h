// rdstmc-monitor's command line.
#pragma once
#include <string>
#include <vector>

namespace rdstmc::monitor {

struct Options {
    std::string port;    // empty: replay
    unsigned baud = 0;   // 0: find the module's rate
    bool listPorts = false;
    std::string replay;  // empty with no port: the bundled recording
    std::string log;
    bool tune = false;
    int tuneUnits = 0;   // 100 kHz units
    int seek = 0;        // +1 up, -1 down
    double duration = -1;  // seconds; negative: until the end or Ctrl-C
    bool json = false;
    double speed = -1;   // --speed: <0 the library's own replay, 0 as fast as possible, else a factor
    std::string events;     // event text table
    std::string locations;  // location table directory
    bool raw = false;       // keep the hex of groups that were decoded
    bool allMessages = false;  // every decoded message, not only the picture's changes
    std::string pictureFile;   // keep the traffic picture here across runs
    std::string geoJsonFile;   // keep the traffic picture here as a GeoJSON map layer
    bool help = false;
};

// Fills `options` from the arguments; false with a message for the user on
// anything it does not accept.
bool ParseOptions(const std::vector<std::string>& argv, Options& options, std::string& error);

// The --help text.
const char* Usage();

}  // namespace rdstmc::monitor
