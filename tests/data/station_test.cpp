#include <gtest/gtest.h>

#include <cstring>

#include "data/decoders.h"
#include "sentences.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using emulator::Frame;
using emulator::GroupSentence;
using emulator::StationSentence;
using test::Feed;
using test::Narrow;

constexpr unsigned kB2A = 0x2000, kB4A = 0x4000;

// Segment `s` of a 2A group carrying four characters.
std::string TextSegment(unsigned s, const char (&four)[5]) {
    const auto b = [&](int i) { return static_cast<unsigned>(static_cast<unsigned char>(four[i])); };
    return GroupSentence(0x1234, kB2A | s, b(0) << 8 | b(1), b(2) << 8 | b(3));
}

std::string RadioText() {
    unsigned short text[65];
    EXPECT_TRUE(TmcGetRadioText(text, 65));
    return Narrow(text);
}

class StationTest : public test::DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        Connect(&rds_);
    }
    test::RdsRecorder rds_;
};

TEST_F(StationTest, EveryValidNameReportIsNotifiedWithThePi) {
    Feed(emulator::GroupSentence(0x6201, 0x0000, 0, 0));  // the PI comes with the 0A groups
    Feed(StationSentence("NDR 2   ") + StationSentence("NDR 2   "));
    ASSERT_EQ(rds_.Stations().size(), 2u) << "changed or not";
    EXPECT_EQ(rds_.Stations()[1], std::make_pair(0x6201, std::string("NDR 2   ")));
    unsigned long pi = 0;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(Narrow(name), "NDR 2   ");
    EXPECT_EQ(pi, 0x6201u);
}

TEST_F(StationTest, NamesWithoutTheirQuotesChangeNothing) {
    Feed(StationSentence("GOOD ONE"));
    Feed(Frame("$PLTCH,NDR 2   \""));
    Feed(Frame("$PLTCH,\"NDR 2    "));
    Feed(Frame("$PLTCH,\"NDR\""));
    Feed(Frame("$PLTCH"));
    EXPECT_EQ(rds_.Stations().size(), 1u);
    unsigned long pi;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(Narrow(name), "GOOD ONE");
}

TEST_F(StationTest, NamesAreDecodedInTheRdsCharacterSet) {
    Feed(Frame("$PLTCH,\"K\x91RNTEN \""));
    ASSERT_EQ(rds_.Stations().size(), 1u);
    EXPECT_EQ(rds_.Stations()[0].second, "K\xC3\xA4RNTEN ");
}

TEST_F(StationTest, QueriesHonourTheCallersCapacity) {
    Feed(StationSentence("ABCDEFGH"));
    Feed(TextSegment(0, "Hell") + TextSegment(1, "o\r  "));
    unsigned long pi;
    unsigned short buf[8];
    for (unsigned short& c : buf) c = 0xAAAA;
    ASSERT_TRUE(TmcGetRdsStation(pi, buf, 4));
    EXPECT_EQ(Narrow(buf), "ABC");
    EXPECT_EQ(buf[4], 0xAAAA) << "nothing written past capacity";
    EXPECT_FALSE(TmcGetRdsStation(pi, buf, 0));
    EXPECT_FALSE(TmcGetRadioText(buf, 0));
    ASSERT_TRUE(TmcGetRadioText(buf, 1));
    EXPECT_EQ(buf[0], 0);
    ASSERT_TRUE(TmcGetRadioText(buf, 8));
    EXPECT_EQ(Narrow(buf), "Hello");
}

TEST_F(StationTest, ACarriageReturnCompletesTheTextAtOnce) {
    Feed(TextSegment(0, "ABCD") + TextSegment(1, "EF\rX"));
    EXPECT_EQ(RadioText(), "ABCDEF");
    EXPECT_EQ(rds_.RadioTexts(), std::vector<std::string>{"ABCDEF"});
    Feed(TextSegment(1, "EF\rX"));
    EXPECT_EQ(rds_.RadioTexts().size(), 1u) << "an unchanged text is not notified again";
}

TEST_F(StationTest, SegmentsArriveInAnyOrderAndSegment15CutsAt64) {
    const char* chunks[16] = {"0000", "1111", "2222", "3333", "4444", "5555", "6666", "7777",
                              "8888", "9999", "AAAA", "BBBB", "CCCC", "DDDD", "EEEE", "FFFF"};
    std::string stream = TextSegment(0, "0000");
    for (int s = 14; s >= 1; --s) {
        char four[5];
        std::memcpy(four, chunks[s], 5);
        stream += GroupSentence(0x1234, kB2A | static_cast<unsigned>(s),
                                static_cast<unsigned>(four[0]) << 8 | static_cast<unsigned>(four[1]),
                                static_cast<unsigned>(four[2]) << 8 | static_cast<unsigned>(four[3]));
    }
    Feed(stream);
    EXPECT_TRUE(rds_.RadioTexts().empty()) << "no carriage return, not complete yet";
    Feed(TextSegment(15, "FFFF"));
    std::string expected;
    for (const char* c : chunks) expected += c;
    EXPECT_EQ(RadioText(), expected);
    EXPECT_EQ(RadioText().size(), 64u);
}

TEST_F(StationTest, ANewSegmentZeroWipesTheOldText) {
    Feed(TextSegment(0, "LONG") + TextSegment(1, " OLD") + TextSegment(2, " TXT"));
    Feed(TextSegment(0, "NEW\r"));
    EXPECT_EQ(RadioText(), "NEW");
}

TEST_F(StationTest, RealBroadcastRadioTexts) {
    Feed(GroupSentence(51540, 9456, 19009, 17227) + GroupSentence(51540, 9457, 8249, 13870) +
         GroupSentence(51540, 9458, 14605, 0));
    EXPECT_EQ(RadioText(), "JACK 96.9");
    Feed(TextSegment(0, "FONK") + TextSegment(1, "! De") + TextSegment(2, "t er") + TextSegment(3, " l\xF7r") +
         TextSegment(4, "dag\r"));
    EXPECT_EQ(RadioText(), "FONK! Det er l\xC3\xB8rdag");
}

TEST_F(StationTest, ClockTimeFromARealGroup) {
    Feed(GroupSentence(54036, 16833, 50159, 23236));
    TmcRdsTime t;
    ASSERT_TRUE(TmcGetRdsTime(t));
    EXPECT_EQ(t.year, 2017);
    EXPECT_EQ(t.month, 4);
    EXPECT_EQ(t.day, 4);
    EXPECT_EQ(t.weekDay, 2);
    EXPECT_EQ(t.hour, 21);
    EXPECT_EQ(t.minute, 43);
    EXPECT_EQ(t.reserved, 0);
    Feed(GroupSentence(54036, 16833, 50159, 23236));
    EXPECT_EQ(rds_.Times().size(), 2u) << "every clock group is told, changed or not";
}

struct Civil {
    int year, month, day;
};

// An independent Gregorian calendar: days since 1970-01-01 to a date.
Civil CivilFromDays(long z) {
    z += 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const long doe = z - era * 146097;
    const long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {static_cast<int>(yoe + era * 400 + (m <= 2)), m, d};
}

TEST(ClockTime, MatchesAnIndependentCalendarOverItsWholeRange) {
    constexpr long kMjdOfUnixEpoch = 40587;
    for (unsigned mjd = 15079; mjd <= 88127; ++mjd) {
        const TmcRdsTime t = DecodeClockTime(static_cast<int>(kB4A | (mjd >> 15)), static_cast<int>((mjd & 0x7FFF) << 1), 0);
        const Civil c = CivilFromDays(static_cast<long>(mjd) - kMjdOfUnixEpoch);
        ASSERT_EQ(t.year, c.year) << mjd;
        ASSERT_EQ(t.month, c.month) << mjd;
        ASSERT_EQ(t.day, c.day) << mjd;
        // 1970-01-01 was a Thursday (4).
        const long weekday = ((static_cast<long>(mjd) - kMjdOfUnixEpoch) % 7 + 7 + 3) % 7 + 1;
        ASSERT_EQ(t.weekDay, weekday) << mjd;
    }
}

TEST(ClockTime, KnownDatesAndWhatLiesOutsideTheRange) {
    auto date = [](unsigned mjd) {
        const TmcRdsTime t = DecodeClockTime(static_cast<int>(kB4A | (mjd >> 15)), static_cast<int>((mjd & 0x7FFF) << 1), 0);
        return std::vector<int>{t.year, t.month, t.day, t.weekDay};
    };
    EXPECT_EQ(date(54381), (std::vector<int>{2007, 10, 8, 1}));
    EXPECT_EQ(date(45218), (std::vector<int>{1982, 9, 6, 1}));
    EXPECT_EQ(date(51603), (std::vector<int>{2000, 2, 29, 2}));
    EXPECT_EQ(date(15079), (std::vector<int>{1900, 3, 1, 4}));
    EXPECT_EQ(date(88127), (std::vector<int>{2100, 2, 28, 7}));
    // Outside 1900-03-01 .. 2100-02-28 the formula is not a calendar, and
    // what it gives is stored as it is: 1900-02-28 comes out as "February
    // 31", 2100 is taken for a leap year, MJD 0 (1858-11-17) has month -1,
    // and the 17-bit maximum (really Saturday 2217-09-27) comes out two days
    // early, the weekday still right.
    EXPECT_EQ(date(15078), (std::vector<int>{1900, 2, 31, 3}));
    EXPECT_EQ(date(88128), (std::vector<int>{2100, 2, 29, 1}));
    EXPECT_EQ(date(0), (std::vector<int>{1859, -1, 19, 3}));
    EXPECT_EQ(date(131071), (std::vector<int>{2217, 9, 25, 6}));
}

TEST(ClockTime, HourAndMinuteAreNotRangeChecked) {
    const TmcRdsTime t = DecodeClockTime(static_cast<int>(kB4A | 1), (1 << 1) | 1, 0xF000 | (63 << 6));
    EXPECT_EQ(t.hour, 31);
    EXPECT_EQ(t.minute, 63);
    const TmcRdsTime u = DecodeClockTime(0x4000, static_cast<int>((54381u & 0x7FFF) << 1), (8 << 12) | (47 << 6) | 0x3F);
    EXPECT_EQ(u.hour, 8);
    EXPECT_EQ(u.minute, 47) << "the local offset bits are ignored";
}

}  // namespace
}  // namespace rdstmc
