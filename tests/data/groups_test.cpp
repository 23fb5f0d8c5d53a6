#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "data/decoders.h"
#include "platform/clock.h"
#include "platform/named_event.h"
#include "rdstmc_ext.h"
#include "sentences.h"
#include "support/seams.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using emulator::Frame;
using emulator::GroupSentence;
using platform::EventWaitResult;
using test::Feed;

constexpr unsigned kB0A = 0x0000, kB2A = 0x2000, kB3A = 0x3000, kB4A = 0x4000, kB8A = 0x8000;

std::vector<int> List(std::initializer_list<int> head) {
    std::vector<int> l(head);
    l.resize(25, 0);
    return l;
}

std::vector<int> PublishedAf() {
    int list[25];
    EXPECT_TRUE(TmcGetRdsAF(list));
    return std::vector<int>(list, list + 25);
}

class GroupTest : public test::DecoderTest {
protected:
    void SetUp() override {
        DecoderTest::SetUp();
        platform::SetTickOffsetForTesting(0);
        Connect(&rds_);
        Connect(&raw_);
    }
    void TearDown() override {
        platform::SetTickOffsetForTesting(0);
        DecoderTest::TearDown();
    }
    // Which activity event is set now (taking it), if any.
    EventWaitResult TakeActivity() {
        platform::Wakeup never;
        return platform::NamedEventWaitEither(test::RdsEvent(), test::TmcEvent(), never, 0);
    }
    test::RdsRecorder rds_;
    test::RawRecorder raw_;
};

TEST_F(GroupTest, ActivityEventsAreSetAtMostOncePerSecond) {
    test::OpenActivityEvents();
    ASSERT_NE(test::TmcEvent(), nullptr);
    while (TakeActivity() != EventWaitResult::TimedOut) {
    }
    uint32_t offset = 0;
    Feed(GroupSentence(0x1234, kB8A, 1, 2) + GroupSentence(0x1234, kB8A, 1, 3));
    EXPECT_EQ(TakeActivity(), EventWaitResult::Second);
    EXPECT_EQ(TakeActivity(), EventWaitResult::TimedOut) << "two groups within a second set it once";
    platform::SetTickOffsetForTesting(offset += 1000);
    Feed(GroupSentence(0x1234, kB8A, 1, 4));
    EXPECT_EQ(TakeActivity(), EventWaitResult::Second) << "a second later it is set again";

    platform::SetTickOffsetForTesting(offset += 1000);
    Feed(GroupSentence(0x1234, kB4A, 1, 4));
    EXPECT_EQ(TakeActivity(), EventWaitResult::Second) << "4A is TMC-related";
    EXPECT_EQ(TakeActivity(), EventWaitResult::TimedOut) << "and not RDS activity";

    Feed(GroupSentence(0x1234, kB2A, 0x4142, 0x0D00));
    EXPECT_EQ(TakeActivity(), EventWaitResult::First) << "2A is RDS activity";
    Feed(GroupSentence(0x1234, kB0A, 0, 0));
    EXPECT_EQ(TakeActivity(), EventWaitResult::TimedOut);
}

TEST_F(GroupTest, ActivityTimingSurvivesTheTickWrapping) {
    test::OpenActivityEvents();
    while (TakeActivity() != EventWaitResult::TimedOut) {
    }
    // Put the tick 500 ms before 2^32, then step across it.
    const uint32_t now = platform::TickCount();
    platform::SetTickOffsetForTesting(0u - 500u - now);
    Feed(GroupSentence(1, kB8A, 1, 1) + GroupSentence(1, kB0A, 0, 0));
    EXPECT_EQ(TakeActivity(), EventWaitResult::First);
    EXPECT_EQ(TakeActivity(), EventWaitResult::Second);
    platform::SetTickOffsetForTesting(0u - 500u - now + 600u);  // ~100 ms after the wrap
    Feed(GroupSentence(1, kB8A, 1, 2) + GroupSentence(1, kB0A, 0, 0));
    EXPECT_EQ(TakeActivity(), EventWaitResult::First) << "RDS: a tick below the last one counts as new";
    EXPECT_EQ(TakeActivity(), EventWaitResult::TimedOut) << "TMC: only 600 ms have passed, unsigned";
    platform::SetTickOffsetForTesting(0u - 500u - now + 1100u);
    Feed(GroupSentence(1, kB8A, 1, 3) + GroupSentence(1, kB0A, 0, 0));
    EXPECT_EQ(TakeActivity(), EventWaitResult::Second) << "TMC: 1100 ms across the wrap";
    EXPECT_EQ(TakeActivity(), EventWaitResult::TimedOut) << "RDS: 500 ms since the last set";
}

TEST_F(GroupTest, BeforeTheEventsExistTicksStillAdvance) {
    ASSERT_EQ(test::RdsEvent(), nullptr) << "a fresh process has not opened them";
    Feed(GroupSentence(1, kB0A, 0, 0) + GroupSentence(1, kB8A, 5, 6));
    EXPECT_NE(test::LastRdsTick(), 0u);
    EXPECT_NE(test::LastTmcTick(), 0u);
}

TEST_F(GroupTest, TmcRelatedGroupsReachTheRawListenerOnlyWhenNew) {
    Feed(GroupSentence(0xD314, kB8A | 0x0123, 0x4567, 0x89AB));
    Feed(GroupSentence(0xD314, kB8A | 0x0123, 0x4567, 0x89AB));
    Feed(GroupSentence(0xD314, kB3A | 0x0010, 0x0001, 0x0002));
    Feed(GroupSentence(0xD314, kB4A | 0x0001, 0xC3EF, 0x5AC4));
    Feed(GroupSentence(0xD314, kB0A, 0xE0CD, 0));
    const auto groups = raw_.Groups();
    ASSERT_EQ(groups.size(), 3u);
    EXPECT_EQ(groups[0], std::make_pair(0xD3148123u, 0x456789ABu));
    EXPECT_EQ(groups[1], std::make_pair(0xD3143010u, 0x00010002u));
    EXPECT_EQ(groups[2], std::make_pair(0xD3144001u, 0xC3EF5AC4u));
}

// Unlike the raw listener, the group listener hears every group, repeats too.
TEST_F(GroupTest, TheGroupListenerHearsEveryGroupInOrder) {
    struct : ITmcGroupListener {
        std::vector<std::array<unsigned short, 4>> groups;
        void OnRdsGroup(const TmcRdsGroup& g) override {
            groups.push_back({g.blocks[0], g.blocks[1], g.blocks[2], g.blocks[3]});
        }
    } all;
    ASSERT_TRUE(Connect(&all));
    Feed(GroupSentence(0xD314, kB8A | 0x0123, 0x4567, 0x89AB));
    Feed(GroupSentence(0xD314, kB8A | 0x0123, 0x4567, 0x89AB));
    Feed(GroupSentence(0xD314, kB2A | 0x0001, 0x4142, 0x4344));
    Feed("$PLTTR,1,2,3,*00\r\n");  // a bad sentence is no group
    ASSERT_TRUE(Disconnect(&all));
    Feed(GroupSentence(0xD314, kB0A, 0xE0CD, 0x4142));
    using G = std::array<unsigned short, 4>;
    EXPECT_EQ(all.groups, (std::vector<G>{{0xD314, 0x8123, 0x4567, 0x89AB},
                                          {0xD314, 0x8123, 0x4567, 0x89AB},
                                          {0xD314, 0x2001, 0x4142, 0x4344}}));
    EXPECT_EQ(raw_.Groups().size(), 1u) << "the raw listener still hears only the change";
}

TEST_F(GroupTest, ProgrammeIdentificationComesFromType0A) {
    Feed(GroupSentence(0x6201, kB0A, 0xE0CD, 0x4142));
    Feed(GroupSentence(0x1111, kB2A, 0x4142, 0x4344) + GroupSentence(0x2222, kB8A, 0, 0));
    unsigned long pi = 0;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(pi, 0x6201u);
}

TEST_F(GroupTest, AMethodAListIsPublishedOnceComplete) {
    Feed(GroupSentence(1, kB0A, 227 * 256 + 10, 0));
    EXPECT_TRUE(rds_.AfLists().empty());
    Feed(GroupSentence(1, kB0A, 20 * 256 + 30, 0));
    EXPECT_EQ(PublishedAf(), List({885, 895, 905}));
    ASSERT_EQ(rds_.AfLists().size(), 1u);
    EXPECT_EQ(rds_.AfLists()[0], List({885, 895, 905}));
    Feed(GroupSentence(1, kB0A, 227 * 256 + 10, 0) + GroupSentence(1, kB0A, 20 * 256 + 30, 0));
    EXPECT_EQ(rds_.AfLists().size(), 1u) << "the same list again publishes nothing";
}

TEST_F(GroupTest, ARealStationsListIsDecoded) {
    Feed(GroupSentence(25089, 247, 59140, 21321) + GroupSentence(25089, 240, 8727, 22860) +
         GroupSentence(25089, 241, 4409, 17696) + GroupSentence(25089, 242, 2580, 22859));
    // 0xE7 announces seven: 0x04 0x22 0x17 0x11 0x39 0x0A 0x14.
    EXPECT_EQ(PublishedAf(), List({879, 909, 898, 892, 932, 885, 895}));
    EXPECT_EQ(rds_.AfLists().size(), 1u);
}

TEST_F(GroupTest, FillerAndOutOfRangeCodesAreSkipped) {
    Feed(GroupSentence(1, kB0A, 226 * 256 + 1, 0));     // two: 87.6
    Feed(GroupSentence(1, kB0A, 250 * 256 + 204, 0));   // 250 skipped, 204 = 107.9
    EXPECT_EQ(PublishedAf(), List({876, 1079}));
    Feed(GroupSentence(1, kB0A, 224 * 256 + 205, 0));   // no AFs, filler: clears, publishes nothing
    EXPECT_EQ(PublishedAf(), List({876, 1079}));
    EXPECT_EQ(test::AfExpected(), 0);
    EXPECT_EQ(rds_.AfLists().size(), 1u);
}

TEST_F(GroupTest, AShorterListThatAgreesKeepsThePublishedTail) {
    Feed(GroupSentence(1, kB0A, 228 * 256 + 1, 0) + GroupSentence(1, kB0A, 2 * 256 + 3, 0) +
         GroupSentence(1, kB0A, 4 * 256 + 205, 0));
    EXPECT_EQ(PublishedAf(), List({876, 877, 878, 879}));
    Feed(GroupSentence(1, kB0A, 226 * 256 + 1, 0) + GroupSentence(1, kB0A, 2 * 256 + 205, 0));
    EXPECT_EQ(PublishedAf(), List({876, 877, 878, 879}));
    EXPECT_EQ(rds_.AfLists().size(), 1u);
}

TEST_F(GroupTest, AppendsPastTheAccumulatorAreDropped) {
    // A full list of 25, published; then the same list again, which leaves
    // the counts running; then the count code is lost and pairs keep coming.
    std::string list = GroupSentence(1, kB0A, 249 * 256 + 1, 0);
    for (int i = 0; i < 12; ++i) list += GroupSentence(1, kB0A, (10 + i) * 256 + (60 + i), 0);
    Feed(list + list);
    const auto published = PublishedAf();
    EXPECT_EQ(published[24], 875 + 60 + 11);
    ASSERT_EQ(test::AfExpected(), 25);
    std::string more;
    for (int i = 0; i < 40; ++i) more += GroupSentence(1, kB0A, 100 * 256 + 101, 0);
    Feed(more);
    EXPECT_GT(test::AfCollected(), 25);
    EXPECT_EQ(PublishedAf(), published) << "nothing past the 25th entry was stored";
    EXPECT_EQ(rds_.AfLists().size(), 1u);
}

TEST_F(GroupTest, BadGroupsChangeNothing) {
    Feed(GroupSentence(0x6201, kB0A, 226 * 256 + 1, 0));
    Feed(Frame("$PLTTR,0,4660,0,0"));              // four fields
    Feed(emulator::FrameWithBadChecksum("$PLTTR,0,4660,32768,0,0"));
    unsigned long pi = 0;
    unsigned short name[9];
    ASSERT_TRUE(TmcGetRdsStation(pi, name, 9));
    EXPECT_EQ(pi, 0x6201u);
    EXPECT_TRUE(raw_.Groups().empty());
    EXPECT_EQ(test::AfCollected(), 1) << "no AF code was taken from a bad group";
}

}  // namespace
}  // namespace rdstmc
