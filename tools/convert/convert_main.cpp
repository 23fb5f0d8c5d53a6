// rdstmc-convert: RDS group recordings of other tools to the library's log.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "converter.h"
#include "system.h"
#include "tool_support.h"

namespace {

const char kUsage[] =
    "Usage: rdstmc-convert [--frequency MHZ] INPUT [OUTPUT]\n"
    "Turn an RDS Spy log or a plain list of hexadecimal RDS groups into a recording\n"
    "the library can replay (rdstmc-monitor --replay OUTPUT). INPUT '-' reads\n"
    "standard input; without OUTPUT the recording goes to standard output.\n"
    "\n"
    "  --frequency MHZ   start with a tuning report for MHZ; by default a header\n"
    "                    line of the input that names a frequency is used, if any\n"
    "\n"
    "Groups keep the source's time stamps (\"@2017/04/04 21:43:12.34\"); without\n"
    "them they are placed about 88 ms apart, the RDS group rate. Groups with a\n"
    "missing block (\"----\") are skipped and counted.\n";

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = rdstmc::tools::Utf8Arguments(argc, argv);
    // The output is a recording: its CR LF must stay as it is.
    rdstmc::tools::UseBinaryStandardStreams();
    double mhz = 0;
    std::string paths[2];
    int given = 0;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--frequency") {
            if (i + 1 >= args.size() || !rdstmc::tools::ParseDecimal(args[i + 1], mhz) || mhz < 87.5 || mhz > 108.0) {
                std::fprintf(stderr, "rdstmc-convert: --frequency needs MHz from 87.5 to 108.0\n");
                return 2;
            }
            ++i;
        } else if (given < 2 && (arg == "-" || arg[0] != '-')) {
            paths[given++] = arg;
        } else {
            std::fprintf(stderr, "rdstmc-convert: bad argument %s\nTry 'rdstmc-convert --help'.\n", arg.c_str());
            return 2;
        }
    }
    if (given == 0) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::ostringstream text;
    if (paths[0] == "-") {
        text << std::cin.rdbuf();
    } else {
        std::ifstream in(rdstmc::tools::PathOf(paths[0]), std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "rdstmc-convert: cannot read %s\n", paths[0].c_str());
            return 1;
        }
        text << in.rdbuf();
    }
    const rdstmc::convert::Conversion c = rdstmc::convert::Convert(text.str(), mhz);
    if (c.groups == 0) {
        std::fprintf(stderr, "rdstmc-convert: %s holds no complete RDS group (%u incomplete, %u other lines)\n",
                     paths[0].c_str(), c.incomplete, c.otherLines);
        return 1;
    }
    if (given == 2) {
        std::ofstream out(rdstmc::tools::PathOf(paths[1]), std::ios::binary | std::ios::trunc);
        out << c.log;
        if (!out.flush()) {
            std::fprintf(stderr, "rdstmc-convert: cannot write %s\n", paths[1].c_str());
            return 1;
        }
    } else {
        std::cout << c.log << std::flush;
    }
    std::fprintf(stderr, "rdstmc-convert: %u groups (%s), %u skipped with a missing block, %u other lines ignored%s\n",
                 c.groups, c.timed ? "times from the source" : "88 ms apart", c.incomplete, c.otherLines,
                 c.frequency ? "" : "; no frequency known (use --frequency)");
    return 0;
}
