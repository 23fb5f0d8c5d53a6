// What rdstmc-monitor --replay plays, whatever format the file is in.
#pragma once
#include <string>

namespace rdstmc::monitor {

struct ReplaySource {
    std::string path;       // the file to hand the library
    bool temporary = false; // path is a file of ours, to be removed afterwards
    std::string note;       // what was done to the input, for the user
    std::string error;      // why nothing can be played; empty when it can
};

// A recording in the library's log format is played as it is (from a private
// copy when the library may not open it for writing, as it requires). An RDS
// Spy log or a list of hexadecimal groups is converted to a temporary
// recording first. A file with nothing playable is an error that says what
// was expected.
ReplaySource PrepareReplay(const std::string& file);

}  // namespace rdstmc::monitor
