#include "options.h"

#include <cmath>

#include "tool_support.h"

namespace rdstmc::monitor {
namespace {

// The rates a Linux serial driver can be asked for.
bool SupportedBaud(unsigned long baud) {
    static const unsigned long kRates[] = {1200,   2400,   4800,   9600,    19200,   38400,   57600,
                                           115200, 230400, 460800, 500000,  576000,  921600,  1000000,
                                           1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000};
    for (unsigned long r : kRates) {
        if (r == baud) return true;
    }
    return false;
}

}  // namespace

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

bool ParseOptions(const std::vector<std::string>& argv, Options& o, std::string& error) {
    const size_t argc = argv.size();
    for (size_t i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string v;
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--json") {
            o.json = true;
        } else if (arg == "--list-ports") {
            o.listPorts = true;
        } else if (arg == "--raw") {
            o.raw = true;
        } else if (arg == "--all-messages") {
            o.allMessages = true;
        } else if (arg == "--picture-file" || arg == "--geojson") {
            std::string& target = arg == "--geojson" ? o.geoJsonFile : o.pictureFile;
            if (!value(target)) return false;
            if (target.empty()) {
                error = arg + " needs a file name";
                return false;
            }
        } else if (arg == "--events" || arg == "--locations") {
            std::string& target = arg == "--events" ? o.events : o.locations;
            if (!value(target)) return false;
            if (target.empty()) {
                error = arg + " needs a file or directory";
                return false;
            }
        } else if (arg == "--speed") {
            if (!value(v)) return false;
            if (v == "max") {
                o.speed = 0;
            } else if (!tools::ParseDecimal(v, o.speed) || o.speed <= 0) {
                error = "--speed " + v + ": give a factor above 0 (2 plays twice as fast) or max";
                return false;
            }
        } else if (arg == "--port") {
            if (!value(o.port)) return false;
            if (o.port.empty()) {
                error = "--port needs a device name";
                return false;
            }
        } else if (arg == "--replay") {
            if (!value(o.replay)) return false;
            if (o.replay.empty()) {
                error = "--replay needs a file name";
                return false;
            }
        } else if (arg == "--log") {
            if (!value(o.log)) return false;
            if (o.log.empty()) {
                error = "--log needs a file name";
                return false;
            }
        } else if (arg == "--baud") {
            unsigned long baud = 0;
            if (!value(v)) return false;
            if (v == "auto") {
                o.baud = 0;
                continue;
            }
            if (!tools::ParseUnsigned(v, baud) || !SupportedBaud(baud)) {
                error = "--baud " + v + ": not a supported line speed (e.g. 9600, 38400, 115200)";
                return false;
            }
            o.baud = static_cast<unsigned>(baud);
        } else if (arg == "--tune") {
            double mhz = 0;
            if (!value(v)) return false;
            if (!tools::ParseDecimal(v, mhz) || mhz < 87.5 || mhz > 108.0) {
                error = "--tune " + v + ": give a frequency in MHz from 87.5 to 108.0";
                return false;
            }
            o.tune = true;
            o.tuneUnits = static_cast<int>(std::lround(mhz * 10));
        } else if (arg == "--seek") {
            if (!value(v)) return false;
            if (v == "up") {
                o.seek = 1;
            } else if (v == "down") {
                o.seek = -1;
            } else {
                error = "--seek " + v + ": say up or down";
                return false;
            }
        } else if (arg == "--duration") {
            if (!value(v)) return false;
            if (!tools::ParseDecimal(v, o.duration) || o.duration <= 0) {
                error = "--duration " + v + ": give a number of seconds above 0";
                return false;
            }
        } else {
            error = "unknown option " + arg;
            return false;
        }
    }
    if (o.port.empty() && o.baud != 0) {
        error = "--baud needs --port";
        return false;
    }
    if (!o.port.empty() && !o.replay.empty()) {
        error = "--port and --replay exclude each other";
        return false;
    }
    if (o.port.empty() && (!o.log.empty() || o.tune || o.seek != 0)) {
        error = "--log, --tune and --seek need --port (a replay cannot be steered or recorded)";
        return false;
    }
    if (!o.port.empty() && o.speed >= 0) {
        error = "--speed is for recordings; a receiver plays at its own pace";
        return false;
    }
    if (o.tune && o.seek != 0) {
        error = "--tune and --seek exclude each other";
        return false;
    }
    return true;
}

}  // namespace rdstmc::monitor
