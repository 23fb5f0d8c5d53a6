// The stretch of a message along a location table's chain of offsets.
#include <gtest/gtest.h>

#include <vector>

#include "rdstmc_tmc.h"
#include "support/tmc_tables.h"

namespace rdstmc {
namespace {

TmcMessage At(uint16_t location, int extent, bool negative) {
    TmcMessage m{};
    m.pi = 0xD201;
    m.ltn = 7;
    m.eventCount = 1;
    m.events[0] = 101;
    m.location = location;
    m.extent = extent;
    m.negativeDirection = negative;
    return m;
}

std::vector<int> Codes(const TmcStretch& s) {
    std::vector<int> codes;
    for (const TmcPlace& p : s.points) codes.push_back(p.location);
    return codes;
}

class StretchTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteRingRoadTable(dir_);
        std::string error;
        ASSERT_TRUE(table_.Load(dir_.Path(), error)) << error;
    }
    test::TempDir dir_;
    LocationTable table_;
};

TEST_F(StretchTest, PositiveAndNegativeExtentsFollowTheChainWithNamesAndCoordinates) {
    TmcStretch s;
    ASSERT_TRUE(table_.Stretch(At(11, 2, false), s));
    EXPECT_EQ(Codes(s), (std::vector<int>{11, 12, 13}));
    EXPECT_EQ(s.steps, 2);
    EXPECT_FALSE(s.chainEnded);
    EXPECT_EQ(s.roadNumber, "A99");
    EXPECT_EQ(s.roadName, "Nordring");
    EXPECT_EQ(s.primary.firstName, "Zentrum S\xC3\xBC" "d");
    EXPECT_EQ(s.primary.junction, "3");
    EXPECT_EQ(s.secondary.firstName, "\xC3\x9C" "berseestadt");
    EXPECT_EQ(s.towards, "Hafen") << "held-up traffic travels against the extent";
    EXPECT_TRUE(s.points[0].hasCoordinates);
    EXPECT_DOUBLE_EQ(s.points[0].longitude, 1.5);
    EXPECT_DOUBLE_EQ(s.points[0].latitude, 51.34);
    EXPECT_FALSE(s.points[2].hasCoordinates);

    ASSERT_TRUE(table_.Stretch(At(12, 2, true), s));
    EXPECT_EQ(Codes(s), (std::vector<int>{12, 11, 10}));
    EXPECT_EQ(s.towards, "Flughafen");
    EXPECT_DOUBLE_EQ(s.points[2].longitude, -0.12345) << "signed coordinates";
}

TEST_F(StretchTest, AnExtentBeyondTheChainStopsAtItsEndAndAnUnknownLocationHasNone) {
    TmcStretch s;
    ASSERT_TRUE(table_.Stretch(At(12, 5, false), s));
    EXPECT_TRUE(s.chainEnded);
    EXPECT_EQ(s.steps, 1);
    EXPECT_EQ(s.secondary.location, 13);
    EXPECT_FALSE(table_.Stretch(At(99, 1, false), s)) << "never guessed";
    EXPECT_TRUE(s.points.empty());
    TmcMessage encrypted = At(11, 1, false);
    encrypted.encrypted = true;
    EXPECT_FALSE(table_.Stretch(encrypted, s)) << "an encrypted location is no table code";
}

TEST_F(StretchTest, ASegmentStandsForItsPointsInChainOrder) {
    TmcStretch s;
    ASSERT_TRUE(table_.Stretch(At(2000, 0, false), s));
    EXPECT_EQ(Codes(s), (std::vector<int>{10, 11, 12, 13}));
    ASSERT_TRUE(table_.Stretch(At(2000, 0, true), s));
    EXPECT_EQ(Codes(s), (std::vector<int>{13, 12, 11, 10}));
}

}  // namespace
}  // namespace rdstmc
