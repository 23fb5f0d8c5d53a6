// Groups built by hand from the published Alert-C structure, decoded field
// by field.
#include <gtest/gtest.h>

#include <vector>

#include "rdstmc_tmc.h"

namespace rdstmc {
namespace {

using Result = TmcDecoder::Result;

constexpr uint16_t kPi = 0xD3C5;
// Block B of an 8A group with TP set and PTY 10, so the decoder must mask them.
uint16_t B8A(unsigned x) { return static_cast<uint16_t>(0x8000 | 0x0400 | (10u << 5) | x); }

struct Group {
    uint16_t b, c, d;
};

Group Single(int dp, bool diversion, bool negative, int extent, int event, int location) {
    return {B8A(0x08u | dp), static_cast<uint16_t>(diversion << 15 | negative << 14 | extent << 11 | event),
            static_cast<uint16_t>(location)};
}

// A multi-group message: the first group, then the optional content (label
// and value pairs) packed into 28-bit pieces, padded with zeros.
std::vector<Group> Multi(int ci, bool negative, int extent, int event, int location,
                         const std::vector<std::pair<int, int>>& labels) {
    static const int kBits[16] = {3, 3, 5, 5, 5, 8, 8, 8, 8, 11, 16, 16, 16, 16, 0, 0};
    std::vector<int> bits;
    auto push = [&](int value, int n) {
        for (int i = n - 1; i >= 0; --i) bits.push_back((value >> i) & 1);
    };
    for (auto [label, value] : labels) {
        push(label, 4);
        push(value, kBits[label]);
    }
    const int following = std::max<int>(1, static_cast<int>((bits.size() + 27) / 28));
    bits.resize(static_cast<size_t>(following) * 28, 0);
    std::vector<Group> groups = {{B8A(static_cast<unsigned>(ci)),
                                  static_cast<uint16_t>(1u << 15 | negative << 14 | extent << 11 | event),
                                  static_cast<uint16_t>(location)}};
    for (int g = 0; g < following; ++g) {
        unsigned piece = 0;
        for (int i = 0; i < 28; ++i) piece = piece << 1 | static_cast<unsigned>(bits[static_cast<size_t>(g * 28 + i)]);
        const unsigned second = g == 0 ? 1u : 0u;
        const unsigned remaining = static_cast<unsigned>(following - 1 - g);
        groups.push_back({B8A(static_cast<unsigned>(ci)),
                          static_cast<uint16_t>(second << 14 | remaining << 12 | (piece >> 16)),
                          static_cast<uint16_t>(piece & 0xFFFF)});
    }
    return groups;
}

// Feeds the groups; the result of the last one.
Result Feed(TmcDecoder& decoder, const std::vector<Group>& groups, uint16_t pi = kPi) {
    Result r = Result::None;
    for (const Group& g : groups) r = decoder.FeedBlocks(pi, g.b, g.c, g.d);
    return r;
}

Result System(TmcDecoder& decoder, uint16_t c, uint16_t aid = 0xCD46) {
    return decoder.FeedBlocks(kPi, static_cast<uint16_t>(0x3000 | 0x10), c, aid);
}

TEST(TmcDecoder, SingleGroupMessageCarriesEveryFieldAndIsReportedOncePerBurst) {
    TmcDecoder decoder;
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(12 << 6)), Result::SystemInfo);
    const Group g = Single(3, true, true, 5, 401, 42156);
    ASSERT_EQ(decoder.FeedBlocks(kPi, g.b, g.c, g.d), Result::Message);
    const TmcMessage& m = decoder.Message();
    EXPECT_EQ(m.pi, kPi);
    EXPECT_EQ(m.ltn, 12);
    EXPECT_EQ(m.groups, 1);
    EXPECT_EQ(m.duration, 3);
    EXPECT_TRUE(m.diversion);
    EXPECT_TRUE(m.negativeDirection);
    EXPECT_EQ(m.extent, 5);
    ASSERT_EQ(m.eventCount, 1);
    EXPECT_EQ(m.events[0], 401);
    EXPECT_EQ(m.location, 42156);
    EXPECT_FALSE(m.encrypted);

    EXPECT_EQ(decoder.FeedBlocks(kPi, g.b, g.c, g.d), Result::None) << "a repetition";
    const Group other = Single(0, false, false, 1, 101, 12345);
    EXPECT_EQ(decoder.FeedBlocks(kPi, other.b, other.c, other.d), Result::Message);
    EXPECT_EQ(decoder.FeedBlocks(kPi, g.b, g.c, g.d), Result::Message) << "a new burst of the first";
}

TEST(TmcDecoder, TwoAndThreeGroupMessagesApplyDurationControlCodesAndAdditionalEvents) {
    TmcDecoder decoder;
    const auto two = Multi(3, false, 2, 101, 12345, {{0, 2}, {1, 6}, {1, 5}});
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(decoder.FeedBlocks(kPi, two[0].b, two[0].c, two[0].d), Result::None) << "not complete yet";
    ASSERT_EQ(decoder.FeedBlocks(kPi, two[1].b, two[1].c, two[1].d), Result::Message);
    const TmcMessage& m = decoder.Message();
    EXPECT_EQ(m.groups, 2);
    EXPECT_EQ(m.continuityIndex, 3);
    EXPECT_EQ(m.ltn, -1) << "no system information yet";
    EXPECT_EQ(m.duration, 2);
    EXPECT_EQ(m.extent, 2 + 8);
    EXPECT_TRUE(m.diversion) << "control code 5";
    EXPECT_EQ(m.urgencyChange, 0);

    const auto three = Multi(1, false, 2, 101, 12345, {{1, 7}, {1, 0}, {1, 2}, {9, 742}, {4, 12}});
    ASSERT_EQ(three.size(), 3u);
    ASSERT_EQ(Feed(decoder, three), Result::Message);
    EXPECT_EQ(m.groups, 3);
    EXPECT_EQ(m.duration, 0) << "no duration label";
    EXPECT_EQ(m.extent, 2 + 16);
    EXPECT_FALSE(m.diversion);
    EXPECT_EQ(m.urgencyChange, 1);
    EXPECT_TRUE(m.directionalityChanged);
    EXPECT_FALSE(m.durationTypeChanged);
    ASSERT_EQ(m.eventCount, 2);
    EXPECT_EQ(m.events[0], 101);
    EXPECT_EQ(m.events[1], 742);
    ASSERT_EQ(m.quantifierCount, 1);
    EXPECT_EQ(m.quantifiers[0].event, 1) << "a quantifier belongs to the event before it";
    EXPECT_EQ(m.quantifiers[0].bits, 5);
    EXPECT_EQ(m.quantifiers[0].value, 12);
    EXPECT_EQ(m.speedLimit, -1);
}

TEST(TmcDecoder, FiveGroupMessagesParseEveryLabelKindAcrossGroupBoundaries) {
    TmcDecoder decoder;
    const auto first = Multi(6, true, 1, 1500, 500,
                             {{2, 17}, {3, 16}, {5, 200}, {6, 77}, {7, 96}, {8, 130}, {10, 1001}, {14, 0}, {9, 2047}});
    ASSERT_EQ(first.size(), 5u) << "105 bits need all four following groups";
    ASSERT_EQ(Feed(decoder, first), Result::Message);
    const TmcMessage& m = decoder.Message();
    EXPECT_EQ(m.groups, 5);
    EXPECT_TRUE(m.negativeDirection);
    EXPECT_EQ(m.lengthOfRoute, 17);
    EXPECT_EQ(m.speedLimit, 16);
    ASSERT_EQ(m.quantifierCount, 1);
    EXPECT_EQ(m.quantifiers[0].bits, 8);
    EXPECT_EQ(m.quantifiers[0].value, 200);
    EXPECT_EQ(m.quantifiers[0].event, 0);
    ASSERT_EQ(m.supplementaryCount, 1);
    EXPECT_EQ(m.supplementary[0], 77);
    EXPECT_EQ(m.startTime, 96);
    EXPECT_EQ(m.stopTime, 130);
    ASSERT_EQ(m.eventCount, 2);
    EXPECT_EQ(m.events[1], 2047);
    EXPECT_EQ(m.eventBlock[0], 0);
    EXPECT_EQ(m.eventBlock[1], 1) << "after a separator";
    EXPECT_FALSE(m.reservedLabels);

    const auto second = Multi(4, false, 0, 1, 2, {{10, 1001}, {10, 1002}, {11, 2002}, {13, 3003}, {12, 0xBEEF}, {3, 9}});
    ASSERT_EQ(second.size(), 5u);
    ASSERT_EQ(Feed(decoder, second), Result::Message);
    ASSERT_EQ(m.diversionCount, 2);
    EXPECT_EQ(m.diversionRoute[0], 1001);
    EXPECT_EQ(m.diversionRoute[1], 1002);
    ASSERT_EQ(m.destinationCount, 1);
    EXPECT_EQ(m.destinations[0], 2002);
    ASSERT_EQ(m.crossLinkCount, 1);
    EXPECT_EQ(m.crossLinks[0], 3003);
    EXPECT_TRUE(m.reservedLabels);
    EXPECT_EQ(m.speedLimit, 9) << "labels after a reserved one are still read";
}

TEST(TmcDecoder, IncompleteOrOutOfOrderMessagesAreDroppedNotGuessed) {
    TmcDecoder decoder;
    const auto three = Multi(2, false, 0, 101, 7, {{2, 1}, {3, 2}, {6, 3}, {10, 4}});
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(Feed(decoder, {three[0], three[2]}), Result::None) << "second group missing";
    EXPECT_EQ(Feed(decoder, {three[1], three[2]}), Result::None) << "no first group before them";
    Group wrongIndex = three[1];
    wrongIndex.b = B8A(5);
    EXPECT_EQ(Feed(decoder, {three[0], wrongIndex, three[2]}), Result::None) << "another continuity index";
    const Group single = Single(1, false, false, 0, 55, 66);
    EXPECT_EQ(Feed(decoder, {three[0], three[1]}), Result::None);
    EXPECT_EQ(Feed(decoder, {single}), Result::Message);
    EXPECT_EQ(Feed(decoder, {three[2]}), Result::None) << "the single group interrupted the three";
    EXPECT_EQ(Feed(decoder, three, 0x1234), Result::Message);
    EXPECT_EQ(Feed(decoder, {three[0], three[1]}, 0x1234), Result::None);
    EXPECT_EQ(decoder.FeedBlocks(0x5678, three[2].b, three[2].c, three[2].d), Result::None) << "another station";
    // Other groups in between do not break a message.
    EXPECT_EQ(Feed(decoder, {three[0], three[1]}), Result::None);
    EXPECT_EQ(System(decoder, static_cast<uint16_t>(9 << 6)), Result::SystemInfo);
    EXPECT_EQ(Feed(decoder, {three[2]}), Result::Message);
    EXPECT_EQ(decoder.Message().groups, 3);
}

// Event codes start at 1: a group with event 0 (a real station sent one) is
// no message, single or multi-group, and is counted with what was dropped.
TEST(TmcDecoder, EventCodeZeroIsNoMessage) {
    TmcDecoder decoder;
    EXPECT_EQ(Feed(decoder, {Single(0, false, false, 0, 0, 31273)}), Result::None);
    EXPECT_EQ(decoder.Dropped(), 1u);
    EXPECT_EQ(Feed(decoder, Multi(3, false, 0, 0, 7, {{2, 1}})), Result::None);
    EXPECT_EQ(decoder.Dropped(), 3u);
    EXPECT_EQ(Feed(decoder, {Single(0, false, false, 0, 1, 31273)}), Result::Message);
}

// As a real station sent it: each group of a three-group message twice or
// more, with system groups between the copies.
TEST(TmcDecoder, CopiesOfAGroupAmidOtherGroupsDoNotBreakTheMessage) {
    TmcDecoder decoder;
    const uint32_t groups[][2] = {{0xA2018008, 0x46548097}, {0xA2013010, 0x0064CD46}, {0xA2018002, 0xC6417A29},
                                  {0xA2018002, 0x541748D7}, {0xA2013010, 0x4000CD46}, {0xA2018002, 0x541748D7},
                                  {0xA2018002, 0x0E93E800}};
    std::vector<Result> results;
    for (const auto& g : groups) results.push_back(decoder.Feed(g[0], g[1]));
    EXPECT_EQ(results.back(), Result::Message);
    const TmcMessage& m = decoder.Message();
    ASSERT_EQ(m.eventCount, 3);
    EXPECT_EQ(std::vector<int>(m.events, m.events + 3), (std::vector<int>{1601, 215, 500}));
    EXPECT_EQ(m.location, 31273);
    EXPECT_EQ(m.extent, 0);
    EXPECT_TRUE(m.negativeDirection);
    EXPECT_EQ(m.groups, 3);

    // A copy of the first group restarts nothing either; a foreign group still breaks it.
    EXPECT_EQ(decoder.Feed(0xA2018002, 0xC6417A29), Result::None);
    EXPECT_EQ(decoder.Feed(0xA2018002, 0xC6417A29), Result::None);
    EXPECT_EQ(decoder.Feed(0xA2018002, 0x541748D7), Result::None);
    EXPECT_EQ(decoder.Feed(0xA2018003, 0x541748D7), Result::None) << "another continuity index";
    EXPECT_EQ(decoder.Feed(0xA2018002, 0x0E93E800), Result::None);
}

TEST(TmcDecoder, SystemInformationVariantsAndEncryption) {
    TmcDecoder decoder;
    EXPECT_EQ(System(decoder, 0x1234, 0x4BD7), Result::None) << "another application";
    // Variant 1 before variant 0: the mode, so the low bits, are not known yet.
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(1 << 14 | 2 << 12 | 33 << 6 | 0x3F)), Result::SystemInfo);
    EXPECT_EQ(decoder.SystemInfo().gap, 8);
    EXPECT_EQ(decoder.SystemInfo().sid, 33);
    EXPECT_EQ(decoder.SystemInfo().ta, -1);
    EXPECT_EQ(decoder.SystemInfo().ltcc, -1);
    // Variant 0: table 12, AFI, enhanced mode, international and urban scope.
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(12 << 6 | 1 << 5 | 1 << 4 | 1 << 3 | 1)), Result::SystemInfo);
    const TmcSystemInfo& s = decoder.SystemInfo();
    EXPECT_EQ(s.aid, 0xCD46);
    EXPECT_EQ(s.applicationGroup, 16);
    EXPECT_EQ(s.ltn, 12);
    EXPECT_TRUE(s.afi && s.enhancedMode && s.scopeInternational && s.scopeUrban);
    EXPECT_FALSE(s.scopeNational || s.scopeRegional);
    EXPECT_EQ(System(decoder, static_cast<uint16_t>(12 << 6 | 1 << 5 | 1 << 4 | 1 << 3 | 1)), Result::None)
        << "reported only when it changes";
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(1 << 14 | 0 << 12 | 33 << 6 | 1 << 4 | 2 << 2 | 3)), Result::SystemInfo);
    EXPECT_EQ(decoder.SystemInfo().gap, 3);
    EXPECT_EQ(decoder.SystemInfo().ta, 1);
    EXPECT_EQ(decoder.SystemInfo().tw, 2);
    EXPECT_EQ(decoder.SystemInfo().td, 3);
    // Basic mode: the low bits are the country code of the table.
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(12 << 6)), Result::SystemInfo);
    ASSERT_EQ(System(decoder, static_cast<uint16_t>(1 << 14 | 33 << 6 | 0xD)), Result::SystemInfo);
    EXPECT_EQ(decoder.SystemInfo().ltcc, 0xD);

    // An encrypted service: table 0 and the encryption administration group.
    TmcDecoder encrypted;
    ASSERT_EQ(encrypted.FeedBlocks(kPi, static_cast<uint16_t>(0x3010), 0, 0xCD46), Result::SystemInfo);
    EXPECT_TRUE(encrypted.SystemInfo().encrypted);
    ASSERT_EQ(encrypted.FeedBlocks(kPi, B8A(0), static_cast<uint16_t>(2 << 11 | 45 << 5 | 19), 37 << 10),
              Result::SystemInfo);
    EXPECT_EQ(encrypted.SystemInfo().sid, 45);
    EXPECT_EQ(encrypted.SystemInfo().encryptionId, 19);
    EXPECT_EQ(encrypted.SystemInfo().ltnBeforeEncryption, 37);
    const Group g = Single(0, false, false, 0, 1, 0xABCD);
    ASSERT_EQ(encrypted.FeedBlocks(kPi, g.b, g.c, g.d), Result::Message);
    EXPECT_TRUE(encrypted.Message().encrypted) << "its location is not a table location";

    // Group 1A, variant 0: the station's country, which its messages carry.
    TmcDecoder country;
    EXPECT_EQ(country.FeedBlocks(kPi, 0x1400, 0x30E1, 0), Result::None) << "variant 3 is the language";
    EXPECT_EQ(country.FeedBlocks(kPi, 0x1400, 0x00E0, 0), Result::SystemInfo);
    EXPECT_EQ(country.SystemInfo().ecc, 0xE0);
    ASSERT_EQ(country.FeedBlocks(kPi, g.b, g.c, g.d), Result::Message);
    EXPECT_EQ(country.Message().ecc, 0xE0);
    ASSERT_EQ(country.FeedBlocks(0x1234, g.b, g.c, g.d), Result::Message);
    EXPECT_EQ(country.Message().ecc, -1) << "another station's country is not known";
}

TEST(TmcDecoder, TuningInformationVariants) {
    TmcDecoder decoder;
    const auto tuning = [&](unsigned variant, uint16_t c, uint16_t d) {
        return decoder.FeedBlocks(kPi, B8A(0x10 | variant), c, d);
    };
    ASSERT_EQ(tuning(4, 'T' << 8 | 'M', 'C' << 8 | '-'), Result::TuningInfo);
    ASSERT_EQ(tuning(5, 'F' << 8 | 'U', 'N' << 8 | 'K'), Result::TuningInfo);
    EXPECT_STREQ(decoder.TuningInfo().providerName, "TMC-FUNK");
    ASSERT_EQ(tuning(6, 25 << 8 | 205, 0xD301), Result::TuningInfo);
    EXPECT_EQ(decoder.TuningInfo().alternativeFrequencies[0], 900);
    EXPECT_EQ(decoder.TuningInfo().alternativeFrequencies[1], 0) << "205 is the filler code";
    EXPECT_EQ(decoder.TuningInfo().otherPi, 0xD301);
    ASSERT_EQ(tuning(7, 10 << 8 | 20, 0xD302), Result::TuningInfo);
    EXPECT_EQ(decoder.TuningInfo().tuningFrequency, 885);
    EXPECT_EQ(decoder.TuningInfo().mappedFrequency, 895);
    ASSERT_EQ(tuning(8, 0xD303, 0xD304), Result::TuningInfo);
    EXPECT_EQ(decoder.TuningInfo().otherPis[0], 0xD303);
    EXPECT_EQ(decoder.TuningInfo().otherPis[1], 0xD304);
    ASSERT_EQ(tuning(9, static_cast<uint16_t>(7 << 10 | 0xA << 6 | 40), 0xD305), Result::TuningInfo);
    EXPECT_EQ(decoder.TuningInfo().otherLtn, 7);
    EXPECT_EQ(decoder.TuningInfo().otherScope, 0xA);
    EXPECT_EQ(decoder.TuningInfo().otherSid, 40);
    EXPECT_EQ(decoder.TuningInfo().otherPi, 0xD305);
    EXPECT_EQ(decoder.TuningInfo().variant, 9);
}

}  // namespace
}  // namespace rdstmc
