// The monitor's command line: what each option sets, and what it refuses.
#include "options.h"

#include <gtest/gtest.h>

namespace rdstmc::monitor {
namespace {

bool Parse(std::vector<std::string> args, Options& o, std::string& error) {
    args.insert(args.begin(), "rdstmc-monitor");
    return ParseOptions(args, o, error);
}

TEST(MonitorOptions, EachKindOfOptionSetsItsField) {
    Options o;
    std::string error;
    ASSERT_TRUE(Parse({"--port", "/dev/ttyUSB0", "--baud", "1800", "--log", "x.log", "--tune", "101.25", "--json",
                       "--duration", "2.5", "--events", "ev.txt", "--geojson", "map.json"},
                      o, error))
        << error;
    EXPECT_EQ(o.port, "/dev/ttyUSB0");
    EXPECT_EQ(o.baud, 1800u) << "every rate the port layer takes";
    EXPECT_EQ(o.log, "x.log");
    EXPECT_TRUE(o.tune);
    EXPECT_EQ(o.tuneUnits, 1013);
    EXPECT_TRUE(o.json);
    EXPECT_DOUBLE_EQ(o.duration, 2.5);
    EXPECT_EQ(o.events, "ev.txt");
    EXPECT_EQ(o.geoJsonFile, "map.json");

    Options fast;
    ASSERT_TRUE(Parse({"--speed", "max", "--all-messages"}, fast, error)) << error;
    EXPECT_EQ(fast.speed, 0);
    EXPECT_TRUE(fast.allMessages);
}

TEST(MonitorOptions, RefusalsSayWhatIsWrong) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"--port"}, "--port needs a value"},
        {{"--port", ""}, "--port needs a device name"},
        {{"--events", ""}, "--events needs a file or directory"},
        {{"--port", "p", "--baud", "12345"}, "--baud 12345: not a supported line speed (e.g. 9600, 38400, 115200)"},
        {{"--port", "p", "--tune", "120"}, "--tune 120: give a frequency in MHz from 87.5 to 108.0"},
        {{"--port", "p", "--seek", "sideways"}, "--seek sideways: say up or down"},
        {{"--speed", "0"}, "--speed 0: give a factor above 0 (2 plays twice as fast) or max"},
        {{"--duration", "-1"}, "--duration -1: give a number of seconds above 0"},
        {{"--baud", "9600"}, "--baud needs --port"},
        {{"--port", "p", "--replay", "r"}, "--port and --replay exclude each other"},
        {{"--tune", "96.9"}, "--log, --tune and --seek need --port (a replay cannot be steered or recorded)"},
        {{"--port", "p", "--speed", "2"}, "--speed is for recordings; a receiver plays at its own pace"},
        {{"--port", "p", "--tune", "96.9", "--seek", "up"}, "--tune and --seek exclude each other"},
    };
    for (const auto& [args, message] : cases) {
        Options o;
        std::string error;
        EXPECT_FALSE(Parse(args, o, error)) << message;
        EXPECT_EQ(error, message);
    }
}

}  // namespace
}  // namespace rdstmc::monitor
