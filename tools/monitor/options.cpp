#include "options.h"

#include <cmath>
#include <utility>

#include "tool_support.h"

namespace rdstmc::monitor {

const char* Usage() {
    return "Usage: rdstmc-monitor [OPTION]...\n"
           "Show what an RDS-TMC receiver reports: reception status, frequency and health,\n"
           "station, radio text, clock time, alternative frequencies and raw TMC groups.\n"
           "With no options it plays the bundled recording.\n"
           "\n"
           "  --port DEVICE     read a receiver on a serial device, e.g. /dev/ttyUSB0,\n"
           "                    /dev/serial/by-id/... or COM3; runs until Ctrl-C or --duration\n"
           "  --baud N|auto     line speed for --port; by default (auto) the usual rates are\n"
           "                    tried, 38400 first, and the one the receiver answers at kept\n"
           "  --list-ports      list the serial devices there are, and whether you may open them\n"
           "  --replay FILE     play a recording: the library's log, an RDS Spy log or a list\n"
           "                    of hexadecimal groups; ends with it\n"
           "  --log FILE        with --port: append every received sentence to FILE\n"
           "  --tune MHZ        with --port: tune to MHZ (87.5 to 108.0) after opening\n"
           "  --seek up|down    with --port: let the receiver search for the next station\n"
           "  --speed X|max     with a recording: play it X times faster than recorded, or as\n"
           "                    fast as the library reads it (through a pseudo-terminal; not\n"
           "                    on Windows)\n"
           "  --events FILE     name TMC events with a table of \"code;text[;urgency]\" lines\n"
           "  --locations DIR   name TMC locations with a location table (its .DAT files)\n"
           "  --raw             also show the blocks of the TMC groups that were decoded\n"
           "  --all-messages    show every decoded TMC message as it comes, repeats included,\n"
           "                    beside the changes of the traffic picture\n"
           "  --picture-file FILE  keep the traffic picture in FILE: loaded at the start (what\n"
           "                    has ended meanwhile dropped), written as it changes and at the end\n"
           "  --geojson FILE    keep FILE equal to the traffic picture as a GeoJSON map layer,\n"
           "                    replaced whole at each change (stretches from --locations)\n"
           "  --duration SECS   stop after SECS seconds\n"
           "  --json            one JSON object per event and line, for scripts\n"
           "  --help            show this text\n"
           "\n"
           "TMC messages build the traffic picture: the messages valid now, each change shown\n"
           "once (new, update, cancel, expire); the whole picture at the end of a recording\n"
           "and, on POSIX, when the monitor gets SIGUSR1. A recording runs on its own time.\n"
           "\n"
           "Each event is one line with the seconds since start. Exit status: 0 when the\n"
           "run ended normally or by Ctrl-C, 1 when the device or file could not be used,\n"
           "2 for a bad argument.\n";
}

namespace {

// Options that only switch something on.
bool* Flag(const std::string& arg, Options& o) {
    if (arg == "--help" || arg == "-h") return &o.help;
    if (arg == "--json") return &o.json;
    if (arg == "--list-ports") return &o.listPorts;
    if (arg == "--raw") return &o.raw;
    if (arg == "--all-messages") return &o.allMessages;
    return nullptr;
}

// Options that name a device or a file, and what the user is told when the
// name is empty.
std::string* Name(const std::string& arg, Options& o, const char*& what) {
    struct Named {
        const char* option;
        std::string Options::*member;
        const char* what;
    };
    static const Named kNames[] = {
        {"--port", &Options::port, "a device name"},      {"--replay", &Options::replay, "a file name"},
        {"--log", &Options::log, "a file name"},          {"--picture-file", &Options::pictureFile, "a file name"},
        {"--geojson", &Options::geoJsonFile, "a file name"}, {"--events", &Options::events, "a file or directory"},
        {"--locations", &Options::locations, "a file or directory"},
    };
    for (const Named& n : kNames) {
        if (arg == n.option) {
            what = n.what;
            return &(o.*n.member);
        }
    }
    return nullptr;
}

// Options whose value is a number or a word.
bool TakesValue(const std::string& arg) {
    for (const char* option : {"--speed", "--baud", "--tune", "--seek", "--duration"}) {
        if (arg == option) return true;
    }
    return false;
}

// Sets such an option from `v`; false with a message when `v` is not one
// the option takes.
bool TakeValue(const std::string& arg, const std::string& v, Options& o, std::string& error) {
    if (arg == "--speed") {
        if (v == "max") return o.speed = 0, true;
        if (tools::ParseDecimal(v, o.speed) && o.speed > 0) return true;
        error = "--speed " + v + ": give a factor above 0 (2 plays twice as fast) or max";
    } else if (arg == "--baud") {
        unsigned long baud = 0;
        if (v == "auto") return o.baud = 0, true;
        if (tools::ParseUnsigned(v, baud) && tools::IsLineSpeed(baud)) return o.baud = static_cast<unsigned>(baud), true;
        error = "--baud " + v + ": not a supported line speed (e.g. 9600, 38400, 115200)";
    } else if (arg == "--tune") {
        double mhz = 0;
        if (tools::ParseDecimal(v, mhz) && mhz >= 87.5 && mhz <= 108.0) {
            o.tune = true;
            o.tuneUnits = static_cast<int>(std::lround(mhz * 10));
            return true;
        }
        error = "--tune " + v + ": give a frequency in MHz from 87.5 to 108.0";
    } else if (arg == "--seek") {
        if (v == "up" || v == "down") return o.seek = v == "up" ? 1 : -1, true;
        error = "--seek " + v + ": say up or down";
    } else if (arg == "--duration") {
        if (tools::ParseDecimal(v, o.duration) && o.duration > 0) return true;
        error = "--duration " + v + ": give a number of seconds above 0";
    }
    return false;
}

// The options that make sense only together, or never together.
bool Consistent(const Options& o, std::string& error) {
    const bool port = !o.port.empty();
    const std::pair<bool, const char*> kRules[] = {
        {!port && o.baud != 0, "--baud needs --port"},
        {port && !o.replay.empty(), "--port and --replay exclude each other"},
        {!port && (!o.log.empty() || o.tune || o.seek != 0),
         "--log, --tune and --seek need --port (a replay cannot be steered or recorded)"},
        {port && o.speed >= 0, "--speed is for recordings; a receiver plays at its own pace"},
        {o.tune && o.seek != 0, "--tune and --seek exclude each other"},
    };
    for (const auto& [broken, message] : kRules) {
        if (broken) {
            error = message;
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& argv, Options& o, std::string& error) {
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string& arg = argv[i];
        if (bool* flag = Flag(arg, o)) {
            *flag = true;
            continue;
        }
        const char* what = nullptr;
        std::string* name = Name(arg, o, what);
        if (name == nullptr && !TakesValue(arg)) {
            error = "unknown option " + arg;
            return false;
        }
        if (i + 1 >= argv.size()) {
            error = arg + " needs a value";
            return false;
        }
        const std::string& v = argv[++i];
        if (name == nullptr) {
            if (!TakeValue(arg, v, o, error)) return false;
        } else if (v.empty()) {
            error = arg + " needs " + what;
            return false;
        } else {
            *name = v;
        }
    }
    return Consistent(o, error);
}

}  // namespace rdstmc::monitor
