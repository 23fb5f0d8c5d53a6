// The traffic picture: messages kept, replaced, cancelled and expired.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "rdstmc_tmc.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using Change = TrafficPicture::Change;

constexpr int64_t kMidnight = 1796688000;  // 2026-12-08 00:00 UTC
constexpr int64_t kMinute = 60, kHour = 3600;
constexpr uint16_t kPi = 0xA201;
// Events and their update classes in the built-in list.
constexpr uint16_t kDelays = 1601, kTrafficBackToNormal = 1620;  // class 20, and its cancellation
constexpr uint16_t kStationaryTraffic = 101;                     // class 1, dynamic
constexpr uint16_t kClosed = 401;                                // class 5, longer lasting
constexpr uint16_t kForecast = 55;                               // class 2, forecast
constexpr uint16_t kNullMessage = 2047;

TmcMessage Message(uint16_t event, uint16_t location, bool negative = false, int duration = 0) {
    TmcMessage m{};
    m.pi = kPi;
    m.ltn = 1;
    m.groups = 1;
    m.eventCount = 1;
    m.events[0] = event;
    m.location = location;
    m.negativeDirection = negative;
    m.duration = duration;
    m.lengthOfRoute = m.speedLimit = m.startTime = m.stopTime = -1;
    return m;
}

struct Seen {
    Change change;
    uint16_t event;
    uint16_t location;
};

class PictureTest : public ::testing::Test {
protected:
    void Apply(const TmcMessage& m, int64_t at) {
        picture_.Apply(m, at, [&](Change c, const TmcStoredMessage& s) {
            seen_.push_back({c, s.message.events[0], s.message.location});
        });
    }
    void Advance(int64_t at) {
        picture_.Advance(at, [&](Change c, const TmcStoredMessage& s) {
            seen_.push_back({c, s.message.events[0], s.message.location});
        });
    }
    std::vector<Change> Changes() const {
        std::vector<Change> out;
        for (const Seen& s : seen_) out.push_back(s.change);
        return out;
    }
    TrafficPicture picture_;
    std::vector<Seen> seen_;
};

TEST_F(PictureTest, NewThenRepeatedThenUpdatedThenCancelledAtOnePlace) {
    const int64_t t = kMidnight + 7 * kHour;
    TmcMessage delays = Message(kDelays, 32544);
    Apply(delays, t);
    Apply(delays, t + 5 * kMinute);
    EXPECT_EQ(picture_.At(0).expires, t + 20 * kMinute) << "a repetition renews the time, quietly";
    delays.extent = 2;
    Apply(delays, t + 6 * kMinute);
    Apply(Message(kDelays, 32544, true), t + 7 * kMinute);  // the other direction: another message
    Apply(Message(kStationaryTraffic, 32544), t + 8 * kMinute);  // another class: another message
    Apply(Message(kTrafficBackToNormal, 32544), t + 9 * kMinute);
    EXPECT_EQ(Changes(), (std::vector<Change>{Change::New, Change::Update, Change::New, Change::New, Change::Cancel}));
    EXPECT_EQ(seen_[1].event, kDelays);
    EXPECT_EQ(seen_.back().event, kDelays) << "a cancel reports the message it removed";
    ASSERT_EQ(picture_.Size(), 2u);
    EXPECT_TRUE(picture_.At(0).message.negativeDirection);
    EXPECT_EQ(picture_.At(0).updateClass, 20);
    EXPECT_EQ(picture_.At(1).message.events[0], kStationaryTraffic);
}

TEST_F(PictureTest, NullMessageAndLocation65535ReachEveryClassAndPlaceOfTheStation) {
    const int64_t t = kMidnight + 7 * kHour;
    Apply(Message(kDelays, 100), t);
    Apply(Message(kStationaryTraffic, 100), t);
    Apply(Message(kDelays, 200), t);
    TmcMessage elsewhere = Message(kDelays, 100);
    elsewhere.pi = 0xD3C5;
    Apply(elsewhere, t);
    Apply(Message(kNullMessage, 100), t + kMinute);
    EXPECT_EQ(picture_.Size(), 2u) << "both classes at 100 are gone";
    Apply(Message(kTrafficBackToNormal, 65535, true), t + 2 * kMinute);
    ASSERT_EQ(picture_.Size(), 1u) << "class 20 everywhere, in either direction, of this station only";
    EXPECT_EQ(picture_.At(0).message.pi, 0xD3C5);
    EXPECT_EQ(Changes().size(), 7u);
    Apply(Message(kTrafficBackToNormal, 100), t + 3 * kMinute);
    EXPECT_EQ(picture_.Size(), 1u) << "a silent event stores nothing";
}

TEST_F(PictureTest, ForecastsForOtherTimesLiveSideBySide) {
    const int64_t t = kMidnight + 7 * kHour;
    Apply(Message(kForecast, 100, false, 3), t);
    Apply(Message(kForecast, 100, false, 4), t);
    Apply(Message(kForecast, 100, false, 3), t + kMinute);
    EXPECT_EQ(Changes(), (std::vector<Change>{Change::New, Change::New})) << "the repeat of the first is no change";
}

TEST_F(PictureTest, ExpiryFollowsDurationTypeCodeStopTimeAndLocalMidnight) {
    const int64_t t = kMidnight + 7 * kHour;
    Apply(Message(kStationaryTraffic, 1, false, 0), t);   // dynamic 0: 15 min
    Apply(Message(kStationaryTraffic, 2, false, 5), t);   // dynamic 5: 3 h
    Apply(Message(kClosed, 3, false, 1), t);              // lasting 1: 2 h
    Advance(t + 15 * kMinute - 1);
    EXPECT_EQ(picture_.Size(), 3u);
    Advance(t + 15 * kMinute);
    EXPECT_EQ(Changes(), (std::vector<Change>{Change::New, Change::New, Change::New, Change::Expire}));
    EXPECT_EQ(seen_.back().location, 1);
    EXPECT_EQ(picture_.At(0).expires, t + 3 * kHour);
    EXPECT_EQ(picture_.At(1).expires, t + 2 * kHour);

    // Midnight is the station's: at UTC+1, 22:50 UTC is 23:50 local.
    picture_.SetLocalOffset(60);
    const int64_t late = kMidnight + 22 * kHour + 50 * kMinute;
    EXPECT_EQ(TmcMessageExpiry(Message(kStationaryTraffic, 1, false, 7), late, 60), late + 10 * kMinute);
    EXPECT_EQ(TmcMessageExpiry(Message(kClosed, 1, false, 2), late, 60), late + 10 * kMinute);
    EXPECT_EQ(TmcMessageExpiry(Message(kClosed, 1, false, 4), late, 60), late + 10 * kMinute + 24 * kHour)
        << "until midnight of the next day";
    TmcMessage swapped = Message(kClosed, 1, false, 0);
    swapped.durationTypeChanged = true;
    EXPECT_EQ(TmcMessageExpiry(swapped, late, 60), late + 15 * kMinute) << "control code 3 makes it dynamic";

    // A stop time: 10:00 local, received at 11:00 local, means tomorrow.
    TmcMessage stop = Message(kStationaryTraffic, 1);
    stop.stopTime = 40;
    EXPECT_EQ(TmcMessageExpiry(stop, kMidnight + 10 * kHour, 60), kMidnight + 24 * kHour + 9 * kHour);
    stop.stopTime = 96 + 24 + 6;  // tomorrow, 06:00 local
    EXPECT_EQ(TmcMessageExpiry(stop, kMidnight + 10 * kHour, 60), kMidnight + 24 * kHour + 5 * kHour);
    stop.stopTime = 232 + 1;  // end of January: next year's, seen from December
    EXPECT_EQ(TmcMessageExpiry(stop, kMidnight, 0), 1801440000);  // the end of 2027-01-31
}

TEST_F(PictureTest, AFullPictureMakesRoomByExpiringWhatEndsFirst) {
    TrafficPicture small(2);
    std::vector<Change> changes;
    const auto note = [&](Change c, const TmcStoredMessage&) { changes.push_back(c); };
    const int64_t t = kMidnight + 7 * kHour;
    small.Apply(Message(kClosed, 1, false, 1), t, note);
    small.Apply(Message(kStationaryTraffic, 2), t, note);
    small.Apply(Message(kClosed, 3, false, 1), t, note);
    EXPECT_EQ(changes, (std::vector<Change>{Change::New, Change::New, Change::Expire, Change::New}));
    ASSERT_EQ(small.Size(), 2u);
    EXPECT_EQ(small.At(0).message.location, 1);
    EXPECT_EQ(small.At(1).message.location, 3);
}

TEST_F(PictureTest, SavedAndLoadedWholeOrNotAtAll) {
    const int64_t t = kMidnight + 7 * kHour;
    TmcMessage rich = Message(kDelays, 31273, true, 3);  // an hour
    rich.groups = 3;
    rich.eventCount = 3;
    rich.events[1] = 215;
    rich.events[2] = 500;
    rich.quantifierCount = 1;
    rich.quantifiers[0] = {0, 5, 7};
    rich.ecc = 0xE0;
    picture_.SetLocalOffset(120);
    Apply(rich, t);
    Apply(Message(kStationaryTraffic, 2), t);
    test::TempDir dir;
    const std::string path = dir.File("picture.txt");
    std::string error;
    ASSERT_TRUE(picture_.Save(path, error)) << error;

    TrafficPicture back;
    ASSERT_TRUE(back.Load(path, t + 16 * kMinute, error)) << error;
    EXPECT_EQ(back.LocalOffset(), 120);
    ASSERT_EQ(back.Size(), 1u) << "what ended meanwhile is dropped";
    EXPECT_EQ(back.Serialize(), [&] {
        TrafficPicture only;
        only.SetLocalOffset(120);
        only.Apply(rich, t, [](Change, const TmcStoredMessage&) {});
        return only.Serialize();
    }()) << "every field comes back";

    // A file of the first version: the same fields but the country code.
    std::string first = back.Serialize();
    first.replace(first.find(" 224\n"), 4, "");
    first.replace(first.find("picture 2"), 9, "picture 1");
    const size_t end = first.rfind("end ");
    char checksum[9];
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < end; ++i) hash = (hash ^ static_cast<unsigned char>(first[i])) * 16777619u;
    std::snprintf(checksum, sizeof checksum, "%08x", hash);
    first.replace(first.size() - 9, 8, checksum);
    ASSERT_TRUE(back.Restore(first, t + 16 * kMinute, error)) << error;
    ASSERT_EQ(back.Size(), 1u);
    EXPECT_EQ(back.At(0).message.ecc, -1) << "the first version knew no country code";

    const std::string text = picture_.Serialize();
    std::string altered = text;
    altered[40] = altered[40] == '9' ? '8' : '9';  // a digit of the first message's time
    for (const std::string& bad : {text.substr(0, text.size() / 2), std::string("hello\n"), altered}) {
        test::WriteFile(path, bad);
        EXPECT_FALSE(back.Load(path, t, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(back.Size(), 0u) << "a refused file leaves the picture empty";
    }
}

TEST(EventTableLayouts, TheCirculatedListGivesTextsWithTheQuantifierInItsUnit) {
    test::TempDir dir;
    const std::string path = dir.File("events.csv");
    test::WriteFile(path,
                    "Code;Description;Description with Q;N;Q;T;D;U;C;R\r\n"
                    "1601;delays;delays (Q);;5;D;1;;20;\r\n"
                    "2;queuing traffic;queuing traffic with average speeds (Q);;4;D;1;U;1;\r\n"
                    "201;accident;(Q) accidents;;0;D;1;U;5;\r\n");
    EventTable events;
    std::string error;
    ASSERT_TRUE(events.Load(path, error)) << error;
    EXPECT_EQ(events.Size(), 3u);
    TmcMessage m = Message(kDelays, 1);
    EXPECT_EQ(events.TextOf(m, 0), "delays");
    m.quantifierCount = 1;
    m.quantifiers[0] = {0, 5, 12};
    EXPECT_EQ(events.TextOf(m, 0), "delays of up to 2 hours");
    m.events[0] = 2;
    m.quantifiers[0].value = 6;
    EXPECT_EQ(events.TextOf(m, 0), "queuing traffic with average speeds of up to 30 km/h");
    EXPECT_EQ(events.UrgencyOf(m), TmcUrgency::Urgent);
    m.events[0] = 201;
    m.quantifiers[0].value = 30;
    EXPECT_EQ(events.TextOf(m, 0), "32 accidents");
    EXPECT_EQ(TmcQuantifierText(6, 48), "-3 degrees Celsius");
    EXPECT_EQ(TmcQuantifierText(2, 0), "less than 320 metres") << "a 5-bit zero is 32";
}

TEST(EventProperties, EveryCodeOfTheListIsBuiltIn) {
    int codes = 0;
    for (int code = 0; code < 2048; ++code) codes += TmcEventInfo(code) != nullptr;
    EXPECT_EQ(codes, 1552);
    const TmcEventProperties* cancel = TmcEventInfo(kTrafficBackToNormal);
    ASSERT_NE(cancel, nullptr);
    EXPECT_EQ(cancel->kind, TmcEventKind::Cancellation);
    EXPECT_EQ(cancel->updateClass, 20);
    const TmcEventProperties* rain = TmcEventInfo(11);
    ASSERT_NE(rain, nullptr);
    EXPECT_FALSE(rain->durationSpoken);
    EXPECT_EQ(TmcEventInfo(kNullMessage)->kind, TmcEventKind::Null);
    EXPECT_EQ(TmcEventInfo(0), nullptr);
}

TEST(ClockTime, AGroup4AGivesUtcAndTheLocalOffset) {
    // MJD 61382 (2026-12-08), 07:31 UTC, +1 h.
    const unsigned mjd = 61382, hour = 7, minute = 31;
    const uint32_t w0 = 0xD3C5u << 16 | 0x4000u | (mjd >> 15);
    const uint32_t w1 = ((mjd & 0x7FFF) << 1 | hour >> 4) << 16 | (hour & 0xF) << 12 | minute << 6 | 2;
    int64_t utc = 0;
    int offset = 0;
    ASSERT_TRUE(TmcClockTimeOf(w0, w1, utc, offset));
    EXPECT_EQ(utc, kMidnight + 7 * kHour + 31 * kMinute);
    EXPECT_EQ(offset, 60);
    EXPECT_FALSE(TmcClockTimeOf(0xD3C58000u, w1, utc, offset)) << "an 8A group";
    // Day 0 (a station without a clock) and days before 1900, where the
    // standard's date conversion no longer holds, are no time.
    for (const uint32_t day : {0u, 15078u}) {
        EXPECT_FALSE(TmcClockTimeOf(0xD3C54000u, (day << 1) << 16 | (hour & 0xF) << 12 | minute << 6, utc, offset))
            << day;
    }
}

}  // namespace
}  // namespace rdstmc
