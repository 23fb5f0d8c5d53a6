// The README's samples are the monitor's real output on the bundled
// recording: played again here, so the two cannot drift apart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <regex>

#include "support/test_support.h"
#include "tools/child_process.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;

struct EventLine {
    double time;
    std::string text;
};

// "  4.005  station    PI D3C5 ..." as its time and the rest. Where the
// recording lies differs from machine to machine: only its name is kept.
EventLine Parse(const std::string& line) {
    char* end = nullptr;
    const double time = std::strtod(line.c_str(), &end);
    std::string text = line.substr(static_cast<size_t>(end - line.c_str()));
    text.erase(0, text.find_first_not_of(' '));
    const std::string playing = "note       playing ";
    if (text.compare(0, playing.size(), playing) == 0) text = playing + text.substr(text.rfind('/') + 1);
    return {time, text};
}

std::vector<EventLine> Parse(const std::vector<std::string>& lines) {
    std::vector<EventLine> events;
    for (const std::string& line : lines) {
        if (!line.empty()) events.push_back(Parse(line));
    }
    return events;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

// The lines of the first ```text block after `heading`.
std::vector<std::string> BlockAfter(const std::string& readme, const std::string& heading) {
    const size_t at = readme.find(heading);
    if (at == std::string::npos) return {};
    const size_t open = readme.find("```text\n", at);
    const size_t close = readme.find("```", open + 8);
    if (open == std::string::npos || close == std::string::npos) return {};
    return Lines(readme.substr(open + 8, close - open - 8));
}

// The same events as the sample, in its order, except that events the
// sample shows within half a second of each other may come in either order:
// they are reported by different threads at the same instant.
void ExpectSameEvents(const std::vector<EventLine>& sample, const std::vector<EventLine>& printed) {
    std::vector<bool> taken(sample.size(), false);
    std::vector<size_t> place;  // printed line -> the sample line it is
    for (const EventLine& line : printed) {
        size_t match = 0;
        while (match < sample.size() && (taken[match] || sample[match].text != line.text)) ++match;
        if (match == sample.size()) {
            ADD_FAILURE() << "printed but not in the README: " << line.text;
            continue;
        }
        taken[match] = true;
        place.push_back(match);
    }
    for (size_t i = 0; i < sample.size(); ++i) {
        if (!taken[i]) ADD_FAILURE() << "in the README but not printed: " << sample[i].text;
    }
    for (size_t i = 0; i < place.size(); ++i) {
        for (size_t j = i + 1; j < place.size(); ++j) {
            const EventLine& a = sample[place[i]];
            const EventLine& b = sample[place[j]];
            if (place[i] > place[j] && std::fabs(a.time - b.time) >= 0.5) {
                ADD_FAILURE() << "\"" << a.text << "\" came before \"" << b.text << "\"";
            }
        }
    }
}

TEST(Readme, TheFirstCommandPrintsTheSampleOutput) {
    const std::string readme = test::ReadFile(README_PATH);
    const std::vector<EventLine> sample = Parse(BlockAfter(readme, "Sample output of the first command"));
    ASSERT_GT(sample.size(), 10u) << "the README's sample block was not found";

    ChildProcess monitor({MONITOR_PATH});
    ASSERT_EQ(monitor.Wait(120s), 0) << monitor.Errors();
    ExpectSameEvents(sample, Parse(Lines(monitor.Output())));
}

TEST(Readme, TheJsonExampleIsALineTheMonitorPrints) {
    const std::string readme = test::ReadFile(README_PATH);
    std::smatch example;
    ASSERT_TRUE(std::regex_search(readme, example, std::regex("`--json`[^`]*`(\\{[^`]*\\})`")));
    const std::regex time("\"t\":[0-9.]+,");
    const std::string wanted = std::regex_replace(example[1].str(), time, "");

    ChildProcess monitor({MONITOR_PATH, "--json", "--duration", "6"});
    ASSERT_EQ(monitor.Wait(30s), 0) << monitor.Errors();
    bool found = false;
    for (const std::string& line : Lines(monitor.Output())) found = found || std::regex_replace(line, time, "") == wanted;
    EXPECT_TRUE(found) << wanted << " not in\n" << monitor.Output();
}

}  // namespace
}  // namespace rdstmc
