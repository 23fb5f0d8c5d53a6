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

TEST(ReceptionRule, AnyNumberOfQuietTicksLeavesTheRuleAsAtTheStart) {
    ReceptionRule rule;
    rule.Next(T);
    for (int i = 0; i < 50; ++i) rule.Next(Q);
    EXPECT_EQ(Follow(rule, {R, Q, Q, Q, Q, Q}), (Statuses{TmcStatusRdsOnly, TmcStatusRdsOnly, TmcStatusRdsOnly,
                                                          TmcStatusRdsOnly, TmcStatusRdsOnly, TmcStatusNoRds}))
        << "TMC long expired, RDS counting from its new activity";
}

TEST(StatusTick, TakesRdsBeforeTmcAndAStopBeforeBoth) {
    platform::Wakeup rds, tmc, stop;
    tmc.Set();
    rds.Set();
    EXPECT_EQ(WaitOneTick(rds, tmc, stop), Activity::Rds);
    EXPECT_EQ(WaitOneTick(rds, tmc, stop), Activity::Tmc) << "TMC waited for the next tick";
    rds.Set();
    stop.Set();
    EXPECT_EQ(WaitOneTick(rds, tmc, stop), std::nullopt);
    stop.Reset();
    EXPECT_EQ(WaitOneTick(rds, tmc, stop), Activity::Rds) << "a stop takes no activity";
}

TEST(StatusTick, AQuietTickLastsASecond) {
    platform::Wakeup rds, tmc, stop;
    const uint64_t start = platform::MonotonicMs();
    EXPECT_EQ(WaitOneTick(rds, tmc, stop), Activity::Quiet);
    EXPECT_GE(platform::MonotonicMs() - start, 900u) << "a quiet tick must not make the worker spin";
}

}  // namespace
}  // namespace rdstmc
