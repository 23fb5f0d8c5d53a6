#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/wakeup.h"
#include "status/reception_rule.h"
#include "status/status_worker.h"

namespace rdstmc {
namespace {

using Statuses = std::vector<std::optional<TmcStatus>>;
constexpr auto R = Activity::Rds;
constexpr auto T = Activity::Tmc;
constexpr auto Q = Activity::Quiet;

Statuses Follow(ReceptionRule& rule, const std::vector<Activity>& ticks) {
    Statuses out;
    for (Activity a : ticks) out.push_back(rule.Next(a));
    return out;
}

TEST(ReceptionRule, StartsExpiredSoTheFirstRdsGivesRdsOnly) {
    ReceptionRule rule;
    EXPECT_EQ(Follow(rule, {Q, R}), (Statuses{TmcStatusNoRds, TmcStatusRdsOnly}));
}

TEST(ReceptionRule, TmcRisesAtOnceAndFallsOnTheFifthRdsTickWithoutTmc) {
    ReceptionRule rule;
    rule.Next(R);
    EXPECT_EQ(Follow(rule, {T, R, R, R, R, R}),
              (Statuses{TmcStatusTmc, TmcStatusTmc, TmcStatusTmc, TmcStatusTmc, TmcStatusTmc, TmcStatusRdsOnly}));
    EXPECT_EQ(rule.SinceTmc(), 5);
    EXPECT_EQ(rule.SinceRds(), 0);
}

TEST(ReceptionRule, QuietTicksLowerTheStatusOnlyOnTheFifth) {
    ReceptionRule rule;
    rule.Next(R);
    EXPECT_EQ(Follow(rule, {Q, Q, Q, Q, Q}),
              (Statuses{TmcStatusRdsOnly, TmcStatusRdsOnly, TmcStatusRdsOnly, TmcStatusRdsOnly, TmcStatusNoRds}));
    rule.Next(T);
    EXPECT_EQ(Follow(rule, {Q, Q, Q, Q, Q}),
              (Statuses{TmcStatusTmc, TmcStatusTmc, TmcStatusTmc, TmcStatusTmc, TmcStatusNoRds}))
        << "all activity ending drops TMC straight to no RDS";
}

TEST(ReceptionRule, CountsSaturateAtSix) {
    ReceptionRule rule;
    rule.Next(T);
    for (int i = 0; i < 50; ++i) rule.Next(Q);
    EXPECT_EQ(rule.SinceRds(), 6);
    EXPECT_EQ(rule.SinceTmc(), 6);
    EXPECT_EQ(rule.Next(R), TmcStatusRdsOnly);
    EXPECT_EQ(rule.SinceTmc(), 6);
}

TEST(StatusTick, WithoutWorkingEventsATickStillLastsASecondAndAStopEndsItAtOnce) {
    platform::Wakeup stop;
    const uint64_t start = platform::MonotonicMs();
    EXPECT_EQ(WaitOneTick(nullptr, nullptr, stop), platform::EventWaitResult::TimedOut);
    const uint64_t took = platform::MonotonicMs() - start;
    EXPECT_GE(took, 900u) << "a missing event must not make the worker spin";
    EXPECT_LT(took, 3000u);
    stop.Set();
    const uint64_t again = platform::MonotonicMs();
    EXPECT_EQ(WaitOneTick(nullptr, nullptr, stop), platform::EventWaitResult::Woken);
    EXPECT_LT(platform::MonotonicMs() - again, 500u);
}

}  // namespace
}  // namespace rdstmc
