// The full RDS decoder on groups built by hand, one feature and its tricky
// rules at a time.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "rdstmc_rds.h"

namespace rdstmc {
namespace {

constexpr uint16_t kPi = 0xD3C5;

// Block B: group type and version, TP, PTY, and the type's own five bits.
uint16_t B(int type, bool versionB, int low5, int pty = 10, int tp = 1) {
    return static_cast<uint16_t>(type << 12 | versionB << 11 | tp << 10 | pty << 5 | low5);
}

uint16_t Chars(const char* two) {
    return static_cast<uint16_t>(static_cast<unsigned char>(two[0]) << 8 | static_cast<unsigned char>(two[1]));
}

// The four 0A groups of a name; `ta`, `music`, and the DI bits d3..d0 as sent.
std::vector<std::array<uint16_t, 3>> NameGroups(const char* name, int ta = 0, int music = 1, int di = 0b0001) {
    std::vector<std::array<uint16_t, 3>> groups;
    for (int s = 0; s < 4; ++s) {
        const int diBit = (di >> (3 - s)) & 1;
        groups.push_back({B(0, false, ta << 4 | music << 3 | diBit << 2 | s), 0xE0CD, Chars(name + 2 * s)});
    }
    return groups;
}

uint32_t FeedAll(RdsDecoder& d, const std::vector<std::array<uint16_t, 3>>& groups, uint16_t pi = kPi) {
    uint32_t changes = 0;
    for (const auto& g : groups) changes |= d.Feed(pi, g[0], g[1], g[2]);
    return changes;
}

// A radio text group of version A: segment `s` of `text` (spaces beyond its end).
uint32_t Text(RdsDecoder& d, int flag, int s, const std::string& text) {
    std::string part = text.size() > static_cast<size_t>(4 * s) ? text.substr(4 * s, 4) : "";
    part.resize(4, ' ');
    return d.Feed(kPi, B(2, false, flag << 4 | s), Chars(part.c_str()), Chars(part.c_str() + 2));
}

TEST(RdsDecoder, ServiceNameComesWholeFromTwoAgreeingRoundsAndTheFlagsWithIt) {
    RdsDecoder d;
    const auto name = NameGroups("RIVER FM", 1, 1, 0b0001);
    EXPECT_EQ(d.Feed(kPi, name[0][0], name[0][1], name[0][2]),
              kRdsPi | kRdsProgrammeType | kRdsTrafficProgramme | kRdsTrafficAnnouncement | kRdsMusic);
    EXPECT_EQ(FeedAll(d, {name[1], name[2], name[3]}), kRdsDecoderIdentification);
    EXPECT_STREQ(d.State().serviceName, "") << "one round is not yet a name";
    EXPECT_EQ(FeedAll(d, name), kRdsServiceName);
    const RdsState& s = d.State();
    EXPECT_STREQ(s.serviceName, "RIVER FM");
    EXPECT_EQ(s.programmeType, 10);
    EXPECT_EQ(s.trafficProgramme, 1);
    EXPECT_EQ(s.trafficAnnouncement, 1);
    EXPECT_EQ(s.decoderIdentification, 1) << "stereo only";
    EXPECT_EQ(FeedAll(d, name), 0u) << "the same name again changes nothing";

    // The name changes mid-round: the half-and-half round is never reported.
    const auto next = NameGroups("NEWS 24 ");
    uint32_t changes = FeedAll(d, {next[0], next[1], name[2], name[3]});
    changes |= FeedAll(d, next);
    EXPECT_EQ(changes & kRdsServiceName, 0u);
    EXPECT_STREQ(d.State().serviceName, "RIVER FM");
    EXPECT_EQ(FeedAll(d, next), kRdsServiceName);
    EXPECT_STREQ(d.State().serviceName, "NEWS 24 ");
    // Segments out of order make no round.
    RdsDecoder fresh;
    for (int i = 0; i < 3; ++i) FeedAll(fresh, {name[0], name[2], name[1], name[3]});
    EXPECT_STREQ(fresh.State().serviceName, "");
}

TEST(RdsDecoder, RadioTextHonoursTheFlagTheEndAndATextThatNeverEnds) {
    RdsDecoder d;
    const std::string first = "FONK! De la Soul\r";
    for (int s = 0; s < 5; ++s) Text(d, 0, s, first);
    EXPECT_STREQ(d.State().radioText, "FONK! De la Soul");
    // A toggle: the next text's tail arrives before its head, and no part of
    // the first one is taken for it.
    const std::string second = "News at ten\r";
    EXPECT_EQ(Text(d, 1, 2, second), 0u);
    EXPECT_EQ(Text(d, 1, 1, second), 0u);
    EXPECT_EQ(Text(d, 1, 0, second), kRdsRadioText);
    EXPECT_STREQ(d.State().radioText, "News at ten");

    // No end character: whole after one round of unchanged segments.
    const std::string endless = "Traffic every hour  ";
    for (int s = 0; s < 5; ++s) EXPECT_EQ(Text(d, 0, s, endless), 0u);
    EXPECT_EQ(Text(d, 0, 0, endless), kRdsRadioText);
    EXPECT_STREQ(d.State().radioText, "Traffic every hour");
    // A segment that changes without a toggle: a new text, whole after a stable round.
    const std::string changed = "Traffic every half hour";
    for (int s = 0; s < 6; ++s) EXPECT_EQ(Text(d, 0, s, changed), 0u) << s;
    EXPECT_EQ(Text(d, 0, 0, changed), 0u) << "the round that saw the change does not count";
    for (int s = 1; s < 6; ++s) Text(d, 0, s, changed);
    EXPECT_EQ(Text(d, 0, 0, changed), kRdsRadioText);
    EXPECT_STREQ(d.State().radioText, "Traffic every half hour");

    // Version B: two characters a segment, from block D.
    RdsDecoder b;
    const char* shortText = "Hi\r ";
    b.Feed(kPi, B(2, true, 0), kPi, Chars(shortText));
    EXPECT_EQ(b.Feed(kPi, B(2, true, 1), kPi, Chars(shortText + 2)), kRdsRadioText);
    EXPECT_STREQ(b.State().radioText, "Hi");
}

TEST(RdsDecoder, RadioTextPlusTagsAreCutFromTheCurrentText) {
    RdsDecoder d;
    // RadioText+ announced in group 11A (code 22).
    EXPECT_EQ(d.Feed(kPi, B(3, false, 22), 0x0000, 0x4BD7) & kRdsOpenData, kRdsOpenData);
    const std::string text = "Moby - Porcelain\r";
    for (int s = 0; s < 5; ++s) Text(d, 0, s, text);
    // Item running, toggle 0: artist (4) at 0, 4 characters; title (1) at 7, 9.
    const int type1 = 4, start1 = 0, length1 = 3, type2 = 1, start2 = 7, length2 = 8;
    const uint16_t b = B(11, false, 1 << 3 | type1 >> 3);
    const uint16_t c = static_cast<uint16_t>((type1 & 7) << 13 | start1 << 7 | length1 << 1 | type2 >> 5);
    const uint16_t dd = static_cast<uint16_t>((type2 & 31) << 11 | start2 << 5 | length2);
    EXPECT_EQ(d.Feed(kPi, b, c, dd) & kRdsRadioTextPlus, kRdsRadioTextPlus);
    const RdsState& s = d.State();
    EXPECT_TRUE(s.itemRunning);
    ASSERT_EQ(s.tagCount, 2);
    EXPECT_STREQ(RdsContentTypeName(s.tags[0].contentType), "item.artist");
    EXPECT_STREQ(s.tags[0].text, "Moby");
    EXPECT_STREQ(RdsContentTypeName(s.tags[1].contentType), "item.title");
    EXPECT_STREQ(s.tags[1].text, "Porcelain");
    EXPECT_EQ(d.Feed(kPi, b, c, dd) & kRdsRadioTextPlus, 0u);

    // The next item's text: the old tags go with the old text, and the same
    // RadioText+ group then cuts them from the new one.
    const std::string next = "Blur - Parklife!\r";
    for (int s = 0; s < 5; ++s) Text(d, 1, s, next);
    EXPECT_EQ(s.tagCount, 0);
    d.Feed(kPi, b, c, dd);
    ASSERT_EQ(s.tagCount, 2);
    EXPECT_STREQ(s.tags[0].text, "Blur");
    EXPECT_STREQ(s.tags[1].text, "Parklife!");
}

// Frequency codes: 89.3 MHz is 18, 101.2 is 137, 104.6 is 171, 99.5 is 120, 101.7 is 142.
uint16_t Pair(int high, int low) { return static_cast<uint16_t>(high << 8 | low); }

TEST(RdsDecoder, AlternativeFrequenciesOfMethodsAAndB) {
    RdsDecoder d;
    const uint16_t b = B(0, false, 0);
    d.Feed(kPi, b, Pair(224 + 3, 18), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(137, 171), 0x2020) & kRdsFrequenciesA, kRdsFrequenciesA);
    const RdsState& s = d.State();
    ASSERT_EQ(s.frequencyCount, 3);
    EXPECT_EQ(std::vector<int>(s.frequencies, s.frequencies + 3), (std::vector<int>{89300, 101200, 104600}));

    // Method B for 89.3: 99.5 the same programme (ascending), 101.7 a regional variant (descending).
    d.Feed(kPi, b, Pair(224 + 5, 18), 0x2020);
    d.Feed(kPi, b, Pair(18, 120), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(142, 18), 0x2020) & kRdsFrequenciesB, kRdsFrequenciesB);
    ASSERT_EQ(s.listCount, 1);
    EXPECT_EQ(s.lists[0].tuned, 89300);
    ASSERT_EQ(s.lists[0].sameCount, 1);
    EXPECT_EQ(s.lists[0].same[0], 99500);
    ASSERT_EQ(s.lists[0].regionalCount, 1);
    EXPECT_EQ(s.lists[0].regional[0], 101700);
    EXPECT_EQ(s.frequencyCount, 3) << "method A's list stays as it was";

    // The list of another transmitter is a list of its own; an MF frequency after the LF/MF marker.
    d.Feed(kPi, b, Pair(224 + 3, 137), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(137, 171), 0x2020) & kRdsFrequenciesB, kRdsFrequenciesB);
    EXPECT_EQ(s.listCount, 2);
    EXPECT_EQ(s.changedList, 1);
    d.Feed(kPi, b, Pair(224 + 2, 18), 0x2020);
    d.Feed(kPi, b, Pair(250, 16), 0x2020);
    EXPECT_EQ(std::vector<int>(s.frequencies, s.frequencies + s.frequencyCount), (std::vector<int>{89300, 531}));
}

// A national network of many transmitters sends one method-B list for each;
// every one is kept, the last as whole as the first.
TEST(RdsDecoder, ANetworkOfManyTransmittersKeepsEveryList) {
    RdsDecoder d;
    const uint16_t b = B(0, false, 0);
    constexpr int kTransmitters = 40;
    for (int t = 1; t <= kTransmitters; ++t) {
        d.Feed(kPi, b, Pair(224 + 3, t), 0x2020);
        d.Feed(kPi, b, Pair(t, t + 100), 0x2020);
    }
    const RdsState& s = d.State();
    ASSERT_EQ(s.listCount, kTransmitters);
    EXPECT_EQ(s.lists[kTransmitters - 1].tuned, 87500 + 100 * kTransmitters);
    EXPECT_EQ(s.lists[kTransmitters - 1].same[0], 87500 + 100 * (kTransmitters + 100));
}

// Real reception loses groups: a list whose count group was lost runs on
// into the next list, or into its own next round. Neither may be glued on.
TEST(RdsDecoder, ListsWithLostGroupsAreNeverGluedTogether) {
    RdsDecoder d;
    const uint16_t b = B(0, false, 0);
    // 93.8 MHz (code 63) announces 5 frequencies; after its first pair the
    // rest is lost and 98.5's list (code 110) comes without its count.
    d.Feed(kPi, b, Pair(224 + 5, 63), 0x2020);
    d.Feed(kPi, b, Pair(63, 95), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(110, 26), 0x2020) & (kRdsFrequenciesA | kRdsFrequenciesB), 0u);
    EXPECT_EQ(d.Feed(kPi, b, Pair(110, 107), 0x2020) & (kRdsFrequenciesA | kRdsFrequenciesB), 0u);
    EXPECT_EQ(d.State().listCount, 0);
    EXPECT_EQ(d.State().frequencyCount, 0);
    // Its next round, count lost again, repeats a pair already taken.
    d.Feed(kPi, b, Pair(224 + 5, 63), 0x2020);
    d.Feed(kPi, b, Pair(63, 95), 0x2020);
    d.Feed(kPi, b, Pair(63, 95), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(63, 107), 0x2020) & kRdsFrequenciesB, 0u);
    EXPECT_EQ(d.State().listCount, 0);
    // Whole, it is taken.
    d.Feed(kPi, b, Pair(224 + 5, 63), 0x2020);
    d.Feed(kPi, b, Pair(63, 95), 0x2020);
    EXPECT_EQ(d.Feed(kPi, b, Pair(107, 63), 0x2020) & kRdsFrequenciesB, kRdsFrequenciesB);
    ASSERT_EQ(d.State().listCount, 1);
    EXPECT_EQ(d.State().lists[0].sameCount, 1);
    EXPECT_EQ(d.State().lists[0].regionalCount, 1);
}

TEST(RdsDecoder, ProgrammeItemCountryLanguageClockNamesAndApplications) {
    RdsDecoder d;
    // 1A variant 0: ECC E0; PIN day 9, 07:30.
    const uint16_t pin = 9 << 11 | 7 << 6 | 30;
    EXPECT_EQ(d.Feed(kPi, B(1, false, 0), 0x00E0, pin) & (kRdsCountry | kRdsProgrammeItem),
              kRdsCountry | kRdsProgrammeItem);
    EXPECT_EQ(d.State().extendedCountryCode, 0xE0);
    EXPECT_EQ(d.State().programmeItem.hour, 7);
    EXPECT_EQ(d.Feed(kPi, B(1, false, 0), 0x3008, pin), kRdsLanguage);
    EXPECT_EQ(d.State().language, 8);

    // 4A: MJD 61382 (2026-12-08) 06:31 UTC, offset +2 half hours.
    const int mjd = 61382;
    const uint16_t b = B(4, false, mjd >> 15);
    const uint16_t c = static_cast<uint16_t>((mjd & 0x7FFF) << 1 | (6 >> 4));
    const uint16_t dd = static_cast<uint16_t>((6 & 0xF) << 12 | 31 << 6 | 2);
    EXPECT_EQ(d.Feed(kPi, b, c, dd), kRdsClock);
    const RdsState& s = d.State();
    EXPECT_EQ(s.year * 10000 + s.month * 100 + s.day, 20261208);
    EXPECT_EQ(s.hour * 100 + s.minute, 631);
    EXPECT_EQ(s.offsetHalfHours, 2);

    // 10A: the programme type name in two segments.
    d.Feed(kPi, B(10, false, 0), Chars("Fo"), Chars("ot"));
    EXPECT_EQ(d.Feed(kPi, B(10, false, 1), Chars("ba"), Chars("ll")), kRdsProgrammeTypeName);
    EXPECT_STREQ(d.State().programmeTypeName, "Football");
    // 15A: the long name, UTF-8 as broadcast, ended by 0x0D.
    d.Feed(kPi, B(15, false, 0), Chars("Ra"), Chars("di"));
    EXPECT_EQ(d.Feed(kPi, B(15, false, 1), Chars("o\xC3"), Chars("\xA9\r")), kRdsLongServiceName);
    EXPECT_STREQ(d.State().longServiceName, "Radio\xC3\xA9");

    EXPECT_EQ(d.Feed(kPi, B(3, false, 16), 0x0000, 0xCD46), kRdsOpenData);
    EXPECT_EQ(d.Feed(kPi, B(3, false, 16), 0x0000, 0xCD46), 0u);
    ASSERT_EQ(d.State().openDataCount, 1);
    EXPECT_EQ(d.State().openData[0].groupType, 16);
}

TEST(RdsDecoder, OtherNetworksAreKeptApartWithTheirNamesAndFrequencies) {
    RdsDecoder d;
    const uint16_t other = 0xD301;
    const char* name = "OTHER FM";
    for (int v = 0; v < 4; ++v) d.Feed(kPi, B(14, false, 1 << 4 | v), Chars(name + 2 * v), other);
    d.Feed(kPi, B(14, false, 1 << 4 | 4), Pair(224 + 2, 137), other);
    d.Feed(kPi, B(14, false, 1 << 4 | 4), Pair(171, 205), other);
    d.Feed(kPi, B(14, false, 1 << 4 | 5), Pair(18, 120), other);  // 89.3 here is 99.5 there
    EXPECT_EQ(d.Feed(kPi, B(14, false, 1 << 4 | 13), static_cast<uint16_t>(3 << 11), other), kRdsOtherNetwork);
    d.Feed(kPi, B(14, false, 0), Chars("XY"), 0xD302);
    const RdsState& s = d.State();
    ASSERT_EQ(s.otherNetworkCount, 2);
    const RdsOtherNetwork& n = s.otherNetworks[0];
    EXPECT_EQ(n.pi, other);
    EXPECT_STREQ(n.name, "OTHER FM");
    EXPECT_TRUE(n.trafficProgramme);
    EXPECT_EQ(n.programmeType, 3);
    EXPECT_EQ(std::vector<int>(n.frequencies, n.frequencies + n.frequencyCount), (std::vector<int>{101200, 104600}));
    ASSERT_EQ(n.mappedCount, 1);
    EXPECT_EQ(n.mapped[0].tuned, 89300);
    EXPECT_EQ(n.mapped[0].other, 99500);
    // 14B: the other network's announcement starts.
    EXPECT_EQ(d.Feed(kPi, B(14, true, 1 << 4 | 1 << 3), kPi, other), kRdsOtherNetwork);
    EXPECT_TRUE(n.trafficAnnouncement);
    EXPECT_EQ(s.changedOtherNetwork, 0);
}

TEST(RdsDecoder, AnotherPiIsAnotherStationAndPtyNamesComeFromBothTables) {
    RdsDecoder d;
    FeedAll(d, NameGroups("RIVER FM"));
    EXPECT_EQ(d.Feed(0xD3C6, B(0, false, 0), 0xE0CD, Chars("XX")) & kRdsPi, kRdsPi);
    EXPECT_STREQ(d.State().serviceName, "");
    EXPECT_EQ(d.State().pi, 0xD3C6);
    EXPECT_STREQ(RdsProgrammeTypeName(10, false), "Pop music");
    EXPECT_STREQ(RdsProgrammeTypeName(10, true), "Country");
    EXPECT_STREQ(RdsProgrammeTypeName(32, false), "");
}

}  // namespace
}  // namespace rdstmc
