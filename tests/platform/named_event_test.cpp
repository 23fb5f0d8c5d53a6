// Named events as another process sees them, on every system.
#include <gtest/gtest.h>

#include <string>

#include "platform/named_event.h"
#include "support/seams.h"
#include "support/spawn.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using platform::EventWaitResult;

// The name another process uses for an event this process opened as `tag`
// (the test process's private prefix applied, as test_main sets it).
std::string SystemName(const std::string& tag) { return test::EventPrefix() + tag; }

class NamedEventTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& tag : tags_) platform::NamedEventRemove(tag.c_str());
    }
    platform::NamedEvent* Open(const char* tag) {
        tags_.push_back(tag);
        return platform::NamedEventOpen(tag);
    }
    std::vector<std::string> tags_;
};

using test::ExitCode;
using test::Spawn;

TEST_F(NamedEventTest, AutoResetsAndLatchesOneSet) {
    platform::NamedEvent* a = Open("a");
    platform::NamedEvent* b = Open("b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    platform::Wakeup wake;
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 0), EventWaitResult::TimedOut) << "starts clear";
    platform::NamedEventSet(a);
    platform::NamedEventSet(a);
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 100), EventWaitResult::First);
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 0), EventWaitResult::TimedOut) << "two sets, one signal";
    platform::NamedEventClose(a);
    platform::NamedEventClose(b);
}

TEST_F(NamedEventTest, BothSetReportsTheFirstAndKeepsTheSecond) {
    platform::NamedEvent* a = Open("a");
    platform::NamedEvent* b = Open("b");
    platform::Wakeup wake;
    platform::NamedEventSet(b);
    platform::NamedEventSet(a);
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 100), EventWaitResult::First);
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 100), EventWaitResult::Second);
    wake.Set();
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 1000), EventWaitResult::Woken);
    platform::NamedEventClose(a);
    platform::NamedEventClose(b);
}

TEST_F(NamedEventTest, AnotherProcessCanWaitForAndSetTheEvent) {
    platform::NamedEvent* a = Open("x");
    platform::NamedEvent* b = Open("y");
    ASSERT_NE(a, nullptr);
    // The peer waits; we set; the peer takes it and exits 0. Whether the set
    // comes before or during its wait, the event latches it.
    const int waiter = Spawn({EVENT_PEER_PATH, "wait", SystemName("x"), "5000"});
    ASSERT_GT(waiter, 0);
    platform::NamedEventSet(a);
    EXPECT_EQ(ExitCode(waiter), 0);
    // The peer sets; we take it.
    ASSERT_EQ(ExitCode(Spawn({EVENT_PEER_PATH, "set", SystemName("y")})), 0);
    platform::Wakeup wake;
    EXPECT_EQ(platform::NamedEventWaitEither(a, b, wake, 1000), EventWaitResult::Second);
    platform::NamedEventClose(a);
    platform::NamedEventClose(b);
}

}  // namespace
}  // namespace rdstmc
