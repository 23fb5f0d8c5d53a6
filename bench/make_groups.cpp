// Writes a list of hexadecimal RDS groups ("AAAA BBBB CCCC DDDD" a line) with
// the mix of a TMC station: programme service name and alternative
// frequencies (0A), radio text (2A), TMC system information (3A), clock time
// once a minute (4A), traffic messages of one and of several groups, each
// group sent twice as stations do (8A), and other networks (14A). For the
// full-speed analysis figures in BENCHMARKS.md:
//   make_groups 200000 > groups.txt
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr unsigned kPi = 0xA201;
constexpr unsigned kMessages = 120;  // a national service's few hundred messages, in part

void Group(unsigned a, unsigned b, unsigned c, unsigned d) { std::printf("%04X %04X %04X %04X\n", a, b, c, d); }

// One 8A message: a single group, or a first group and one to three more.
std::vector<std::vector<unsigned>> Message(unsigned n) {
    const unsigned event = 1 + (n * 37) % 1500, location = 1000 + n * 17;
    const unsigned ci = 1 + n % 6;
    if (n % 3 != 0) {
        return {{0x8000 | 0x08 | (n % 8), (n & 1) << 14 | (n % 8) << 11 | event, location}};
    }
    std::vector<std::vector<unsigned>> groups = {{0x8000 | ci, 0x8000 | (n & 1) << 14 | (n % 8) << 11 | event, location}};
    const unsigned following = 1 + n % 3;
    for (unsigned g = 0; g < following; ++g) {
        const unsigned remaining = following - 1 - g;
        groups.push_back({0x8000 | ci, (g == 0 ? 0x4000u : 0u) | remaining << 12 | ((n * 7 + g) & 0x0FFF),
                          (n * 131 + g * 977) & 0xFFFF});
    }
    return groups;
}

}  // namespace

int main(int argc, char** argv) {
    const long total = argc > 1 ? std::atol(argv[1]) : 200000;
    const char ps[] = "TRAFFIC ";
    const std::string rt = "Traffic news every half hour on this station, and the weather at the top of the hour";
    long written = 0;
    unsigned message = 0;
    for (unsigned cycle = 0; written < total; ++cycle) {
        // A second of air time: about 11 groups.
        for (unsigned s = 0; s < 4 && written < total; ++s, ++written) {
            Group(kPi, 0x0000 | s, 0xE0CD + cycle % 3, static_cast<unsigned>(ps[2 * s]) << 8 | ps[2 * s + 1]);
        }
        for (unsigned s = 0; s < 2 && written < total; ++s, ++written) {
            const unsigned seg = (cycle * 2 + s) % 16;
            auto at = [&](unsigned i) { return i < rt.size() ? static_cast<unsigned>(rt[i]) : 0x0Du; };
            Group(kPi, 0x2000 | seg, at(4 * seg) << 8 | at(4 * seg + 1), at(4 * seg + 2) << 8 | at(4 * seg + 3));
        }
        if (written < total) Group(kPi, 0x3010, cycle % 2 ? 0x4000 : 0x0064, 0xCD46), ++written;
        if (cycle % 60 == 0 && written < total) {
            const unsigned mjd = 61382 + cycle / 86400, minute = (cycle / 60) % 1440;
            Group(kPi, 0x4000 | mjd >> 15, (mjd & 0x7FFF) << 1 | (minute / 60) >> 4,
                  ((minute / 60) & 0xF) << 12 | (minute % 60) << 6 | 2);
            ++written;
        }
        for (const auto& g : Message(message++ % kMessages)) {
            for (int copy = 0; copy < 2 && written < total; ++copy, ++written) Group(kPi, g[0], g[1], g[2]);
        }
        if (written < total) Group(kPi, 0xE000 | cycle % 16, 0x2020 + cycle % 7, 0xD3C5), ++written;
    }
    return 0;
}
