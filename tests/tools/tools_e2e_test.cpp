// The tools as a user runs them: separate processes, a pseudo-terminal
// between the emulator and the monitor, output read from their pipes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include <memory>
#include <regex>
#include <sstream>

#include "receiver_emulator.h"
#include "recording.h"
#include "support/json.h"
#include "support/test_support.h"
#include "tools/child_process.h"
#include "support/tmc_tables.h"
#include "tools/samples.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using test::ChildProcess;

// Starts rdstmc-emulator and returns the device it printed.
std::string StartEmulator(ChildProcess& emulator) {
    EXPECT_TRUE(emulator.WaitForOutput("\n", 10s)) << emulator.Errors();
    std::smatch m;
    const std::string out = emulator.Output();
    if (!std::regex_search(out, m, std::regex("device: (\\S+)"))) return "";
    return m[1];
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The status values of the JSON output, repeats left out.
std::vector<std::string> StatusWalk(const std::string& json) {
    std::vector<std::string> walk;
    const std::regex status("\"event\":\"status\",\"status\":\"(\\w+)\"");
    for (const std::string& line : Lines(json)) {
        std::smatch m;
        if (std::regex_search(line, m, status) && (walk.empty() || walk.back() != m[1])) walk.push_back(m[1]);
    }
    return walk;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

TEST(Tools, MonitorFollowsTheEmulatedStationThroughEveryStatus) {
    ChildProcess emulator({EMULATOR_PATH});
    const std::string device = StartEmulator(emulator);
    ASSERT_FALSE(device.empty());
    // The bundled recording lasts 40 s; its RDS ends at 32 s and the status
    // falls to "no RDS" about five seconds later.
    ChildProcess monitor({MONITOR_PATH, "--port", device, "--json", "--duration", "42"});
    ASSERT_EQ(monitor.Wait(70s), 0) << monitor.Errors();
    const std::string out = monitor.Output();

    EXPECT_TRUE(Has(out, "\"event\":\"station\",\"pi\":\"D3C5\",\"name\":\"RIVER FM\"")) << out;
    EXPECT_TRUE(Has(out, "\"text\":\"RIVER FM - news and traffic every half hour\""));
    EXPECT_TRUE(Has(out, "\"text\":\"Now: The Morning Drive with live traffic updates\""));
    EXPECT_TRUE(Has(out, "\"event\":\"time\",\"date\":\"2026-12-08\",\"weekday\":\"Tue\",\"utc\":\"07:31\""));
    EXPECT_TRUE(Has(out, "\"event\":\"af\",\"mhz\":[96.9,89.3,101.2,104.6,91.7]"));
    EXPECT_TRUE(Has(out, "\"event\":\"frequency\",\"mhz\":96.9"));
    EXPECT_TRUE(Has(out, "\"event\":\"tmc_change\",\"change\":\"new\",\"pi\":\"D3C5\",\"ltn\":6,\"events\":[101],"
                         "\"location\":12345,\"extent\":1,\"direction\":\"positive\",\"diversion\":false,"
                         "\"duration\":1,\"urgency\":\"urgent\",\"groups\":1"))
        << out;
    EXPECT_FALSE(Has(out, "\"group\":\"8A\"")) << "decoded groups are not shown as blocks";
    EXPECT_EQ(StatusWalk(out), (std::vector<std::string>{"NoRds", "RdsOnly", "Tmc", "RdsOnly", "NoRds", "Stopped"}))
        << out;
    // The emulator saw the library's start-up commands.
    EXPECT_TRUE(Has(emulator.Output(), "< $PLTCM,H2,8800*3C"));
    EXPECT_TRUE(Has(emulator.Output(), "< $PLTCM,RFA,65535*23"));
}

// The frequencies a monitor's --json output reports, in order.
std::vector<std::string> Frequencies(const std::string& json) {
    std::vector<std::string> mhz;
    const std::regex frequency("\"event\":\"frequency\",\"mhz\":([0-9.]+)");
    for (const std::string& line : Lines(json)) {
        std::smatch m;
        if (std::regex_search(line, m, frequency)) mhz.push_back(m[1]);
    }
    return mhz;
}

TEST(Tools, TheLogOfALiveMonitorReplaysToTheSameEventsAndTheEmulatorLoopsAndLinks) {
    test::TempDir dir;
    // Half a second on each of two frequencies; looped, they alternate.
    const std::string recording = dir.File("two.log");
    test::WriteFile(recording, emulator::LogRecord(0, emulator::TuningSentence(9690, 20)) +
                                   emulator::LogRecord(500, emulator::TuningSentence(10120, 30)) +
                                   emulator::LogRecord(1000, emulator::TuningSentence(10120, 30)));
    const std::string link = dir.File("ttyRDS");
    ChildProcess emulator({EMULATOR_PATH, "--recording", recording, "--loop", "--link", link});
    const std::string device = StartEmulator(emulator);
    ASSERT_FALSE(device.empty());
    char target[256] = {};
    ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0) << link << " is no link";
    EXPECT_EQ(std::string(target), device);

    const std::string log = dir.File("monitor.log");
    ChildProcess live({MONITOR_PATH, "--port", link, "--baud", "38400", "--log", log, "--json", "--duration", "4"});
    ASSERT_EQ(live.Wait(30s), 0) << live.Errors();
    const std::vector<std::string> heard = Frequencies(live.Output());
    ASSERT_GE(std::count(heard.begin(), heard.end(), "96.9"), 2) << "the recording did not loop: " << live.Output();

    ChildProcess replay({MONITOR_PATH, "--replay", log, "--speed", "max", "--json"});
    ASSERT_EQ(replay.Wait(30s), 0) << replay.Errors();
    std::vector<std::string> replayed = Frequencies(replay.Output());
    // A sentence logged as the live run stopped may have missed its output.
    if (replayed.size() == heard.size() + 1) replayed.pop_back();
    EXPECT_EQ(replayed, heard) << replay.Output();
}

TEST(Tools, TwoMonitorsKeepTheirOwnReceptionStatus) {
    // One plays the bundled station; the other a recording with no RDS group
    // at all, which must stay "no RDS" whatever the first one receives.
    test::TempDir dir;
    std::string silent;
    for (int t = 0; t < 14000; t += 500) silent += "[" + std::to_string(t) + "]," + emulator::TuningSentence(9690, 20);
    test::WriteFile(dir.File("silent.log"), silent);
    ChildProcess station({MONITOR_PATH, "--json", "--duration", "13"});
    ASSERT_TRUE(station.WaitForOutput("\"status\":\"NoRds\"", 10s)) << station.Errors();
    ChildProcess quiet({MONITOR_PATH, "--replay", dir.File("silent.log"), "--json", "--duration", "11"});
    ASSERT_EQ(quiet.Wait(40s), 0) << quiet.Errors();
    ASSERT_EQ(station.Wait(40s), 0) << station.Errors();
    EXPECT_EQ(StatusWalk(quiet.Output()), (std::vector<std::string>{"NoRds", "Stopped"})) << quiet.Output();
    const std::vector<std::string> walk = StatusWalk(station.Output());
    ASSERT_GE(walk.size(), 3u) << station.Output();
    EXPECT_EQ(std::vector<std::string>(walk.begin(), walk.begin() + 3),
              (std::vector<std::string>{"NoRds", "RdsOnly", "Tmc"}));
}

TEST(Tools, MonitorSaysWhenTheReceiverIsPulledOutAndWhenItIsBack) {
    test::TempDir dir;
    const std::string link = dir.File("ttyRDS");
    auto first = std::make_unique<ChildProcess>(std::vector<std::string>{EMULATOR_PATH, "--idle", "--link", link});
    ASSERT_FALSE(StartEmulator(*first).empty());
    ChildProcess monitor({MONITOR_PATH, "--port", link, "--baud", "38400", "--tune", "101.5", "--duration", "20"});
    ASSERT_TRUE(monitor.WaitForOutput("101.5 MHz", 10s)) << monitor.Output() << monitor.Errors();
    first.reset();
    EXPECT_TRUE(monitor.WaitForOutput("the receiver was disconnected", 10s)) << monitor.Output();
    ChildProcess second({EMULATOR_PATH, "--idle", "--link", link});
    ASSERT_FALSE(StartEmulator(second).empty());
    EXPECT_TRUE(monitor.WaitForOutput("the receiver is back", 10s)) << monitor.Output();
    // A receiver that lost power forgot its tuning; the monitor gives it again.
    EXPECT_TRUE(test::WaitUntil([&] { return Has(second.Output(), "< $PLTCM,H2,10150*09"); }, 10s))
        << second.Output();
    EXPECT_EQ(monitor.Stop(SIGINT, 10s), 0);
}

TEST(Tools, TuningThroughTheEmulatorComesBackAsAFrequencyChange) {
    ChildProcess emulator({EMULATOR_PATH, "--idle"});
    const std::string device = StartEmulator(emulator);
    ASSERT_FALSE(device.empty());
    {
        ChildProcess monitor({MONITOR_PATH, "--port", device, "--json", "--tune", "101.5", "--duration", "1.5"});
        ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
        EXPECT_TRUE(Has(monitor.Output(), "\"event\":\"frequency\",\"mhz\":101.5,\"quality\":15,\"tuner_mode\":1"))
            << monitor.Output();
        EXPECT_TRUE(Has(emulator.Output(), "< $PLTCM,H2,10150*09"));
    }
    {
        // The open tunes to 88.0; the next station up in the emulator's list is 89.3.
        ChildProcess monitor({MONITOR_PATH, "--port", device, "--json", "--seek", "up", "--duration", "1.5"});
        ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
        EXPECT_TRUE(Has(monitor.Output(), "\"event\":\"frequency\",\"mhz\":89.3,\"quality\":48"))
            << monitor.Output();
    }
}

TEST(Tools, MonitorWithoutArgumentsShowsTheBundledStationWithinSeconds) {
    ChildProcess monitor({MONITOR_PATH});
    EXPECT_TRUE(monitor.WaitForOutput("PI D3C5  \"RIVER FM\"", 10s)) << monitor.Output() << monitor.Errors();
    EXPECT_TRUE(Has(monitor.Output(), "96.9 MHz"));
    // Ctrl-C ends it cleanly, the library reporting "stopped" on the way out.
    EXPECT_EQ(monitor.Stop(SIGINT, 10s), 0);
    EXPECT_TRUE(Has(monitor.Output(), "interrupted"));
    EXPECT_TRUE(Has(monitor.Output(), "status     stopped"));
}

TEST(Tools, MonitorFailuresSayWhatIsWrongAndExitNonZero) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    };
    const Case cases[] = {
        {{"--port", "/dev/rdstmc-no-such-device"}, 1, "no such device"},
        {{"--replay", "/nonexistent/recording.log"}, 1, "No such file or directory"},
        {{"--replay", "/dev"}, 1, "is a directory"},
        {{"--replay", "/etc/passwd"}, 1, "nothing to play. Expected a recording in the library's log format"},
        {{"--port"}, 2, "--port needs a value"},
        {{"--tune", "96.9"}, 2, "need --port"},
        {{"--port", "/dev/null", "--baud", "12345"}, 2, "not a supported line speed"},
        {{"--seek", "sideways", "--port", "/dev/null"}, 2, "say up or down"},
        {{"--frobnicate"}, 2, "unknown option"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{MONITOR_PATH};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        ChildProcess monitor(argv);
        EXPECT_EQ(monitor.Wait(10s), c.status) << c.message;
        EXPECT_TRUE(Has(monitor.Errors(), c.message)) << monitor.Errors();
        EXPECT_FALSE(Has(monitor.Output(), "listening")) << "claims to listen on what it could not open";
    }
    {
        // A recording is played by one program at a time.
        test::TempDir dir;
        const std::string recording = dir.File("river-fm.log");
        test::WriteFile(recording, test::ReadFile(BUNDLED_RECORDING_PATH));
        ChildProcess first({MONITOR_PATH, "--replay", recording});
        ASSERT_TRUE(first.WaitForOutput("frequency", 10s)) << first.Errors();
        ChildProcess second({MONITOR_PATH, "--replay", recording});
        EXPECT_EQ(second.Wait(10s), 1);
        EXPECT_TRUE(Has(second.Errors(), recording + ": in use by another program")) << second.Errors();
    }
    ChildProcess help({MONITOR_PATH, "--help"});
    EXPECT_EQ(help.Wait(10s), 0);
    for (const char* option :
         {"--port", "--baud", "--list-ports", "--replay", "--log", "--tune", "--seek", "--duration", "--json"})
        EXPECT_TRUE(Has(help.Output(), option)) << option;
}

TEST(Tools, MonitorExplainsADeviceItMayNotOpen) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to run the monitor as another user";
    {
        // A build tree inside a private directory is out of that user's reach.
        ChildProcess reachable({MONITOR_PATH, "--help"}, 65534);
        if (reachable.Wait(10s) != 0) GTEST_SKIP() << "user 65534 cannot run " << MONITOR_PATH;
    }
    // A pseudo-terminal belongs to its owner; another user may not open it.
    emulator::ReceiverEmulator receiver;
    ChildProcess monitor({MONITOR_PATH, "--port", receiver.DevicePath()}, 65534);
    ASSERT_EQ(monitor.Wait(10s), 1) << monitor.Errors();
    EXPECT_TRUE(Has(monitor.Errors(), "permission denied")) << monitor.Errors();
    EXPECT_TRUE(Has(monitor.Errors(), "sudo usermod -aG"));
}

TEST(Tools, MonitorFindsTheRateTheModuleRunsAt) {
    ChildProcess emulator({EMULATOR_PATH, "--idle", "--baud", "19200"});
    const std::string device = StartEmulator(emulator);
    ASSERT_FALSE(device.empty());
    ChildProcess monitor({MONITOR_PATH, "--port", device, "--duration", "1.5"});
    ASSERT_EQ(monitor.Wait(40s), 0) << monitor.Output() << monitor.Errors();
    const std::string out = monitor.Output();
    EXPECT_TRUE(Has(out, "listening at 9600 baud")) << out;
    EXPECT_TRUE(Has(out, "found the receiver at 19200 baud")) << out;
    EXPECT_FALSE(Has(out, "listening at 57600 baud")) << "the hunt stops at the first rate that works";
    EXPECT_TRUE(Has(out.substr(out.find("found the receiver")), "frequency  88.0 MHz")) << out;
}

TEST(Tools, MonitorSaysWhenTheModuleAnswersAtNoUsualRate) {
    ChildProcess emulator({EMULATOR_PATH, "--idle", "--baud", "1200"});
    const std::string device = StartEmulator(emulator);
    ASSERT_FALSE(device.empty());
    ChildProcess monitor({MONITOR_PATH, "--port", device});
    ASSERT_EQ(monitor.Wait(60s), 1) << monitor.Output() << monitor.Errors();
    EXPECT_TRUE(Has(monitor.Errors(), "no answer from a receiver at 38400, 9600, 19200, 57600, 115200, 4800, 230400 baud"))
        << monitor.Errors();
    EXPECT_FALSE(Has(monitor.Output(), "frequency")) << "nothing was decoded from the garbled line";
}

TEST(Tools, MonitorListsTheSerialDevicesWithTheirStableNames) {
    emulator::ReceiverEmulator receiver;
    test::TempDir dev;
    ASSERT_EQ(mkdir((dev.Path() + "/serial").c_str(), 0755), 0);
    ASSERT_EQ(mkdir((dev.Path() + "/serial/by-id").c_str(), 0755), 0);
    ASSERT_EQ(symlink(receiver.DevicePath().c_str(), dev.File("ttyUSB0").c_str()), 0);
    ASSERT_EQ(symlink("../../ttyUSB0", dev.File("serial/by-id/usb-FTDI_RDS_Receiver-if00-port0").c_str()), 0);
    ASSERT_EQ(symlink("/nonexistent/rdstmc", dev.File("ttyACM3").c_str()), 0);
    setenv("RDSTMC_DEVICE_DIR", dev.Path().c_str(), 1);
    ChildProcess monitor({MONITOR_PATH, "--list-ports"});
    unsetenv("RDSTMC_DEVICE_DIR");
    ASSERT_EQ(monitor.Wait(10s), 0) << monitor.Errors();
    const std::string out = monitor.Output();
    EXPECT_TRUE(Has(out, dev.File("serial/by-id/usb-FTDI_RDS_Receiver-if00-port0") + "\n      -> " +
                             receiver.DevicePath()))
        << out;
    const auto line = [&](const std::string& device) {
        for (const std::string& l : Lines(out)) {
            if (l.rfind("  " + device + " ", 0) == 0) return l;
        }
        return std::string();
    };
    EXPECT_TRUE(Has(line(dev.File("ttyUSB0")), "can be opened")) << out;
    EXPECT_TRUE(Has(line(dev.File("ttyACM3")), "No such file or directory")) << out;
    EXPECT_LT(out.find("ttyUSB0 "), out.find("ttyACM3 "));
}

TEST(Tools, MonitorReplaysAnRdsSpyLogByConvertingIt) {
    test::TempDir dir;
    const std::string spy = dir.File("capture.spy");
    test::WriteFile(spy, test::kSpyExcerpt);
    ChildProcess monitor({MONITOR_PATH, "--replay", spy, "--json"});
    ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
    const std::string out = monitor.Output();
    EXPECT_TRUE(Has(out, "converted 3 RDS groups with their own times, 1 incomplete ones skipped")) << out;
    EXPECT_TRUE(Has(out, "\"event\":\"text\",\"text\":\"HELLO WORLD\"")) << out;
    EXPECT_TRUE(Has(out, "\"event\":\"frequency\",\"mhz\":96.9")) << out;
}

// TMC groups of PI D3C5, as "A B C D" in hexadecimal: the clock time
// (2026-12-08 07:00 UTC), system information (table 12), a single-group
// message (event 101 at 12345), and a two-group message (event 401 with
// additional event 742 at 42156, extent 3).
const char kTmcGroups[] =
    "D3C5 4001 DF8C 7000\n"
    "D3C5 3010 0300 CD46\n"
    "D3C5 8009 0865 3039\n"
    "D3C5 8002 9991 A4AC\n"
    "D3C5 8002 495C C000\n";

// The tmc_ objects of the monitor's JSON output, without their times.
std::vector<std::string> TrafficObjects(const std::string& json) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(json)) {
        if (Has(line, "\"event\":\"tmc_")) out.push_back(line.substr(line.find(",\"event\"")));
    }
    return out;
}

TEST(Tools, MonitorDecodesTmcMessagesAtFullSpeedAndNamesThemFromTables) {
    test::TempDir dir;
    const std::string hex = dir.File("groups.txt");
    test::WriteFile(hex, kTmcGroups);
    test::WriteFile(dir.File("events.txt"), "401;closed;U\n742;queuing traffic\n");
    test::TempDir tables;
    test::WriteLocationTables(tables);
    ChildProcess monitor({MONITOR_PATH, "--replay", hex, "--speed", "max", "--json", "--all-messages", "--events",
                          dir.File("events.txt"), "--locations", tables.Path()});
    ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
    const std::vector<std::string> tmc = TrafficObjects(monitor.Output());
    ASSERT_EQ(tmc.size(), 6u) << monitor.Output();
    EXPECT_TRUE(Has(tmc[0], "\"event\":\"tmc_system\",\"pi\":\"D3C5\",\"aid\":\"CD46\",\"ltn\":12")) << tmc[0];
    EXPECT_TRUE(Has(tmc[1], "\"event\":\"tmc_message\",\"pi\":\"D3C5\",\"ltn\":12,\"events\":[101],\"location\":12345"))
        << tmc[1];
    EXPECT_TRUE(Has(tmc[2], "\"event\":\"tmc_change\",\"change\":\"new\",\"pi\":\"D3C5\",\"ltn\":12,\"events\":[101]"))
        << tmc[2];
    EXPECT_TRUE(Has(tmc[3], "\"event\":\"tmc_message\",\"pi\":\"D3C5\",\"ltn\":12,\"events\":[401,742],"
                            "\"location\":42156,\"extent\":3,\"direction\":\"positive\",\"diversion\":false,"
                            "\"duration\":0,\"urgency\":\"urgent\",\"groups\":2"))
        << tmc[3];
    EXPECT_TRUE(Has(tmc[3], "\"location_text\":\"A1 Hamburg - Bremen: Dibbersen\"")) << tmc[3];
    EXPECT_TRUE(Has(tmc[3], "\"event_texts\":[\"closed\",\"queuing traffic\"]")) << tmc[3];
    // Received at 07:00:00.176 (the third group, 88 ms apart), closed (longer
    // lasting) with duration code 0: an hour.
    EXPECT_TRUE(Has(tmc[4], "\"update_class\":5,\"expires\":\"2026-12-08T08:00:00Z\"")) << tmc[4];
    EXPECT_TRUE(Has(tmc[5], "\"event\":\"tmc_picture\",\"messages\":[{\"pi\":\"D3C5\"")) << tmc[5];

    // The station says (1A) it is in the country of ECC E1, which the tables do not hold.
    test::WriteFile(hex, std::string("D3C5 1000 00E1 0000\n") + kTmcGroups);
    ChildProcess elsewhere({MONITOR_PATH, "--replay", hex, "--speed", "max", "--json", "--all-messages", "--locations",
                            tables.Path()});
    ASSERT_EQ(elsewhere.Wait(20s), 0) << elsewhere.Errors();
    const std::vector<std::string> there = TrafficObjects(elsewhere.Output());
    ASSERT_EQ(there.size(), 6u) << elsewhere.Output();
    EXPECT_TRUE(Has(there[0], "\"ecc\":\"E1\"")) << there[0];
    EXPECT_FALSE(Has(there[3], "location_text")) << there[3];
    test::WriteFile(hex, kTmcGroups);

    ChildProcess human({MONITOR_PATH, "--replay", hex, "--speed", "max", "--events", dir.File("events.txt")});
    ASSERT_EQ(human.Wait(20s), 0) << human.Errors();
    EXPECT_TRUE(Has(human.Output(), "tmc        new     event 401 \"closed\" + 742 \"queuing traffic\" at 42156 ext +3, urgent"))
        << human.Output();
    EXPECT_FALSE(Has(human.Output(), "8A  D3C5")) << "no blocks without --raw";
    EXPECT_FALSE(Has(human.Output(), "tmc        msg")) << "repeats only with --all-messages";
}

TEST(Tools, ConvertedRecordingsReplayToTheSameMessagesAsTheirSource) {
    test::TempDir dir;
    const std::string hex = dir.File("groups.txt"), log = dir.File("groups.log");
    test::WriteFile(hex, kTmcGroups);
    ChildProcess convert({CONVERT_PATH, hex, log});
    ASSERT_EQ(convert.Wait(10s), 0) << convert.Errors();
    ChildProcess direct({MONITOR_PATH, "--replay", hex, "--speed", "max", "--json"});
    ChildProcess converted({MONITOR_PATH, "--replay", log, "--speed", "max", "--json"});
    ASSERT_EQ(direct.Wait(20s), 0) << direct.Errors();
    ASSERT_EQ(converted.Wait(20s), 0) << converted.Errors();
    EXPECT_EQ(TrafficObjects(direct.Output()).size(), 4u) << direct.Output();
    EXPECT_EQ(TrafficObjects(direct.Output()), TrafficObjects(converted.Output()));
    // And from standard input the same again.
    ChildProcess piped({MONITOR_PATH, "--replay", "-", "--speed", "max", "--json"}, -1, hex);
    ASSERT_EQ(piped.Wait(20s), 0) << piped.Errors();
    EXPECT_EQ(TrafficObjects(direct.Output()), TrafficObjects(piped.Output()));
}

// An RDS Spy capture of 20 minutes, with its own times: a message cancelled,
// one that lapses, one that lasts.
const char kTrafficMinutes[] =
    "D3C5 4001 DF8C 7000 @2026/12/08 07:00:00.00\n"
    "D3C5 3010 0300 CD46 @2026/12/08 07:00:00.10\n"
    "D3C5 8008 0641 0064 @2026/12/08 07:00:01.00\n"   // 1601 delays at 100, dynamic, 15 min
    "D3C5 8008 0065 00C8 @2026/12/08 07:00:02.00\n"   // 101 stationary traffic at 200, 15 min
    "D3C5 8009 0191 012C @2026/12/08 07:00:03.00\n"   // 401 closed at 300, lasting code 1: 2 h
    "D3C5 8008 0654 0064 @2026/12/08 07:10:00.00\n"   // 1620 traffic back to normal at 100
    "D3C5 0000 E0CD 5249 @2026/12/08 07:20:00.00\n";

// RDS groups of PI D3C5 beyond the classic listeners' subset: a name over a method-B list
// (89.3 MHz: 99.5 the same programme, 101.7 a regional variant), RadioText+
// announced for 11A, a text whose successor (flag B) arrives tail first, the
// RT+ tags of the second, an other network's name, 1A (ECC E0) and the clock
// (2026-12-08 06:31 UTC, +01:00).
const char kRdsGroups[] =
    "D3C5 0548 E512 5249\nD3C5 0549 1278 5645\nD3C5 054A 8E12 5220\nD3C5 054F E512 464D\n"
    "D3C5 0548 1278 5249\nD3C5 0549 8E12 5645\nD3C5 054A E512 5220\nD3C5 054F 1278 464D\n"
    "D3C5 3556 0000 4BD7\nD3C5 2540 464F 4E4B\nD3C5 2541 2120 4465\nD3C5 2542 206C 6120\n"
    "D3C5 2543 536F 756C\nD3C5 2544 0D20 2020\nD3C5 2554 0D20 2020\nD3C5 2553 6C61 696E\n"
    "D3C5 2552 6F72 6365\nD3C5 2551 202D 2050\nD3C5 2550 4D6F 6279\nD3C5 B548 8006 08E8\n"
    "D3C5 E550 4F54 D301\nD3C5 E551 4845 D301\nD3C5 E552 5220 D301\nD3C5 E553 464D D301\n"
    "D3C5 1540 00E0 49DE\nD3C5 4541 DF8C 67C2\n\n";

// The "rds" objects of the monitor's JSON output, without their times.
std::vector<std::string> RdsObjects(const std::string& json) {
    std::vector<std::string> out;
    for (const std::string& line : Lines(json)) {
        if (Has(line, "\"event\":\"rds\"")) out.push_back(line.substr(line.find("\"pi\"")));
    }
    return out;
}

TEST(Tools, MonitorShowsEveryRdsFeatureAsItChanges) {
    test::TempDir dir;
    const std::string hex = dir.File("groups.txt");
    test::WriteFile(hex, kRdsGroups);
    ChildProcess monitor({MONITOR_PATH, "--replay", hex, "--speed", "max", "--json"});
    ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
    const std::vector<std::string> rds = RdsObjects(monitor.Output());
    const auto seen = [&](const std::string& object) {
        return std::count(rds.begin(), rds.end(), "\"pi\":\"D3C5\"," + object + "}");
    };
    EXPECT_EQ(seen("\"ps\":\"RIVER FM\""), 1) << monitor.Output();
    EXPECT_EQ(seen("\"alt_frequencies_b\":{\"tuned_frequency\":89300,\"same_programme\":[99500],"
                   "\"regional_variants\":[101700]}"), 1);
    EXPECT_EQ(seen("\"open_data_app\":[{\"oda_group\":\"11A\",\"aid\":\"4BD7\"}]"), 1);
    EXPECT_EQ(seen("\"radiotext\":\"FONK! De la Soul\""), 1);
    EXPECT_EQ(seen("\"radiotext\":\"Moby - Porcelain\""), 1);
    EXPECT_EQ(std::count_if(rds.begin(), rds.end(), [](const std::string& o) { return Has(o, "radiotext\""); }), 2)
        << "no text glued from the two";
    EXPECT_EQ(seen("\"radiotext_plus\":{\"item_running\":true,\"item_toggle\":0,\"tags\":["
                   "{\"content-type\":\"item.artist\",\"data\":\"Moby\"},"
                   "{\"content-type\":\"item.title\",\"data\":\"Porcelain\"}]}"), 1);
    EXPECT_EQ(seen("\"other_network\":{\"pi\":\"D301\",\"ps\":\"OTHER FM\",\"tp\":true,\"ta\":false}"), 1);
    EXPECT_EQ(seen("\"ecc\":\"E0\""), 1);
    EXPECT_EQ(seen("\"clock_time\":\"2026-12-08T07:31:00+01:00\""), 1);
    // The classic listeners report as before: the method-B list read as method A.
    EXPECT_TRUE(Has(monitor.Output(), "\"event\":\"af\",\"mhz\":[89.3,89.3,99.5,101.7,89.3]")) << monitor.Output();
}

TEST(Tools, AReplayEndsWithThePictureValidOnAirAtItsEnd) {
    test::TempDir dir;
    const std::string spy = dir.File("minutes.spy");
    test::WriteFile(spy, kTrafficMinutes);
    ChildProcess monitor({MONITOR_PATH, "--replay", spy, "--speed", "max", "--json"});
    ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
    std::vector<std::string> changes;
    std::string picture;
    const std::regex change("\"change\":\"(\\w+)\",.*\"location\":(\\d+)");
    for (const std::string& line : Lines(monitor.Output())) {
        std::smatch m;
        if (std::regex_search(line, m, change)) changes.push_back(m[1].str() + " " + m[2].str());
        if (Has(line, "\"event\":\"tmc_picture\"")) picture = line;
    }
    EXPECT_EQ(changes, (std::vector<std::string>{"new 100", "new 200", "new 300", "cancel 100", "expire 200"}))
        << monitor.Output();
    EXPECT_TRUE(Has(picture, "\"location\":300,")) << picture;
    EXPECT_FALSE(Has(picture, "\"location\":100,") || Has(picture, "\"location\":200,")) << picture;
    EXPECT_TRUE(Has(picture, "\"expires\":\"2026-12-08T09:00:03Z\"")) << picture;
}

// The ring road of WriteRingRoadTable (table 7, PI D201): the clock time,
// the system information, and three messages: at Zentrum Süd (11) over two
// locations in positive direction, at a location the table lacks (99), and
// at Messe (12) over one location in negative direction.
const char kRingRoadGroups[] =
    "D201 4001 DF8C 7000\n"
    "D201 3010 01C0 CD46\n"
    "D201 8008 1065 000B\n"
    "D201 8008 0191 0063\n"
    "D201 8008 4E41 000C\n";

TEST(Tools, MonitorKeepsAGeoJsonLayerWhoseFeaturesFollowTheTablesChains) {
    test::TempDir dir, tables;
    test::WriteRingRoadTable(tables);
    test::WriteFile(dir.File("groups.txt"), kRingRoadGroups);
    const std::string layer = dir.File("traffic.geojson");
    ChildProcess monitor({MONITOR_PATH, "--replay", dir.File("groups.txt"), "--speed", "max", "--locations",
                          tables.Path(), "--geojson", layer});
    ASSERT_EQ(monitor.Wait(20s), 0) << monitor.Errors();
    EXPECT_TRUE(Has(monitor.Output(), "A99 Nordring: Zentrum S\xC3\xBC" "d (3) \xE2\x86\x92 \xC3\x9C" "berseestadt, "
                                      "2 locations, towards Hafen"))
        << monitor.Output();

    const test::Json map = test::Json::Parse(test::ReadFile(layer));
    EXPECT_EQ(map["type"].string, "FeatureCollection");
    const auto& features = map["features"].array;
    ASSERT_EQ(features.size(), 3u);
    const test::Json& along = features[0];
    EXPECT_EQ(along["geometry"]["type"].string, "LineString");
    ASSERT_EQ(along["geometry"]["coordinates"].array.size(), 2u) << "Überseestadt has no coordinates";
    EXPECT_DOUBLE_EQ(along["geometry"]["coordinates"][0][0].number, 1.5);
    EXPECT_DOUBLE_EQ(along["geometry"]["coordinates"][1][1].number, 51.355);
    EXPECT_EQ(along["properties"]["pi"].string, "D201");
    EXPECT_EQ(along["properties"]["direction"].string, "positive");
    EXPECT_EQ(along["properties"]["extent"].number, 2);
    EXPECT_EQ(along["properties"]["road"].string, "A99 Nordring");
    EXPECT_EQ(along["properties"]["towards"].string, "Hafen");
    EXPECT_EQ(along["properties"]["expires"].string, "2026-12-08T07:15:00Z");
    EXPECT_EQ(features[1]["geometry"].type, test::Json::Type::Null) << "a location the table lacks";
    EXPECT_FALSE(features[1]["properties"].Has("road"));
    const test::Json& back = features[2];
    EXPECT_EQ(back["properties"]["direction"].string, "negative");
    EXPECT_DOUBLE_EQ(back["geometry"]["coordinates"][1][0].number, 1.5) << "from Messe back to Zentrum Süd";
}

// An encrypted service's location code is no table's: with the ring road
// loaded, a message "at" Zentrum Süd's code (11) is not placed there, and
// every view says the location is encrypted.
TEST(Tools, AnEncryptedLocationIsNeverLookedUpAndSaidToBeEncrypted) {
    test::TempDir dir, tables;
    test::WriteRingRoadTable(tables);
    test::WriteFile(dir.File("groups.txt"), "D201 3010 01C0 CD46\nD201 8000 0021 1C00\nD201 8008 1065 000B\n");
    const std::string layer = dir.File("traffic.geojson");
    ChildProcess human({MONITOR_PATH, "--replay", dir.File("groups.txt"), "--speed", "max", "--locations",
                        tables.Path(), "--geojson", layer});
    ASSERT_EQ(human.Wait(20s), 0) << human.Errors();
    EXPECT_TRUE(Has(human.Output(), "event 101 at encrypted location 11 ext +2")) << human.Output();
    EXPECT_FALSE(Has(human.Output(), "Nordring")) << human.Output();
    const test::Json feature = test::Json::Parse(test::ReadFile(layer))["features"][0];
    EXPECT_EQ(feature["geometry"].type, test::Json::Type::Null);
    EXPECT_TRUE(feature["properties"]["location_encrypted"].boolean);
    EXPECT_FALSE(feature["properties"].Has("road"));

    ChildProcess json({MONITOR_PATH, "--replay", dir.File("groups.txt"), "--speed", "max", "--json", "--locations",
                       tables.Path()});
    ASSERT_EQ(json.Wait(20s), 0) << json.Errors();
    EXPECT_TRUE(Has(json.Output(), "\"location\":11,")) << json.Output();
    EXPECT_TRUE(Has(json.Output(), "\"location_encrypted\":true")) << json.Output();
    EXPECT_FALSE(Has(json.Output(), "location_text")) << json.Output();
}

TEST(Tools, MonitorReadsAReceiverThroughATcpBridgeAndComesBackWhenItDoes) {
    auto bridge = std::make_unique<ChildProcess>(std::vector<std::string>{EMULATOR_PATH, "--tcp", "0"});
    ASSERT_TRUE(bridge->WaitForOutput("tcp: ", 10s)) << bridge->Errors();
    std::smatch m;
    const std::string out = bridge->Output();
    ASSERT_TRUE(std::regex_search(out, m, std::regex("tcp: 127\\.0\\.0\\.1:(\\d+)")));
    const std::string port = m[1];
    ChildProcess monitor({MONITOR_PATH, "--port", "tcp:127.0.0.1:" + port, "--tune", "101.2", "--duration", "60"});
    EXPECT_TRUE(monitor.WaitForOutput("PI D3C5  \"RIVER FM\"", 20s)) << monitor.Output() << monitor.Errors();
    EXPECT_TRUE(Has(bridge->Output(), "< $PLTCM,H2,10120*")) << "commands reach the module through the bridge";
    bridge.reset();
    EXPECT_TRUE(monitor.WaitForOutput("closed the connection; trying again", 10s)) << monitor.Output();
    ChildProcess again({EMULATOR_PATH, "--tcp", port});
    ASSERT_TRUE(again.WaitForOutput("tcp: ", 10s)) << again.Errors();
    EXPECT_TRUE(monitor.WaitForOutput("connected to 127.0.0.1:" + port + " again", 15s)) << monitor.Output();
    EXPECT_TRUE(test::WaitUntil([&] { return Has(again.Output(), "playing "); }, 10s)) << "the new bridge is read";
    EXPECT_EQ(monitor.Stop(SIGINT, 10s), 0) << "Ctrl-C ends it in order";
    EXPECT_TRUE(Has(monitor.Output(), "status     stopped"));
}

}  // namespace
}  // namespace rdstmc
