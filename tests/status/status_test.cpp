#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "receiver_emulator.h"
#include "status/status_worker.h"
#include "support/process_support.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using emulator::GroupSentence;

// A receiver that keeps sending groups, about ten a second like a station.
class GroupStream {
public:
    explicit GroupStream(emulator::ReceiverEmulator& r) : receiver_(r), thread_([this] { Run(); }) {}
    ~GroupStream() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<bool> basic{false};  // 0A groups
    std::atomic<bool> tmc{false};    // 8A groups
    std::atomic<int> clockGroups{0}; // 4A groups still to send, one per round

private:
    void Run() {
        unsigned n = 0;
        while (!stop_) {
            std::string s;
            if (basic) s += GroupSentence(0x6201, 0x0000, 0xE0CD, 0x4E44);
            if (tmc) s += GroupSentence(0x6201, 0x8000, n++ & 0xFFFF, 0x1111);
            if (clockGroups > 0 && clockGroups-- > 0) s += GroupSentence(0x6201, 0x4001, 50159, 23236);
            if (!s.empty()) receiver_.Send(s);
            std::this_thread::sleep_for(100ms);
        }
    }
    emulator::ReceiverEmulator& receiver_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override { Connect(&status_); }
    void TearDown() override {
        TmcClose();
        test::DisconnectAll();
    }
    double SecondsUntil(TmcStatus s, std::chrono::milliseconds limit) {
        const auto start = Clock::now();
        if (!status_.WaitFor(s, limit)) return -1;
        return std::chrono::duration<double>(Clock::now() - start).count();
    }
    emulator::ReceiverEmulator receiver_;
    test::StatusRecorder status_;
};

TEST_F(StatusTest, WithNoDataTheStatusStaysNoRdsUntilClose) {
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    // Over a few worker ticks nothing may change. The sleep is the window.
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(status_.Statuses(), std::vector<TmcStatus>{TmcStatusNoRds});
    const auto closed = Clock::now();
    ASSERT_TRUE(TmcClose());
    ASSERT_TRUE(status_.WaitFor(TmcStatusStopped, 2000ms));
    // Woken, the worker reports at once; left alone it would finish its
    // one-second tick first. The bound stays below that on every tree.
    EXPECT_LT(Clock::now() - closed, 900ms) << "the worker is woken, not left to time out";
    EXPECT_EQ(status_.Statuses(), (std::vector<TmcStatus>{TmcStatusNoRds, TmcStatusStopped}));
}

TEST_F(StatusTest, TheStatusFollowsReceptionUpAndDown) {
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    GroupStream stream(receiver_);
    stream.basic = true;
    // The rule's tick counts are tested tick by tick on their own; here only
    // that the worker follows them: each change comes, in order, and the
    // falls wait out their quiet ticks (lower bounds hold on any machine).
    EXPECT_GE(SecondsUntil(TmcStatusRdsOnly, test::Scaled(4000ms)), 0);

    stream.tmc = true;
    EXPECT_GE(SecondsUntil(TmcStatusTmc, test::Scaled(4000ms)), 0);

    stream.tmc = false;
    const double backToRds = SecondsUntil(TmcStatusRdsOnly, test::Scaled(10000ms));
    // Five ticks without TMC activity lower the status; a timed-out wait and
    // an RDS event in the same second both count, so it takes 3 to 5 s.
    EXPECT_GT(backToRds, 2.0) << "more than a tick or two";

    stream.basic = false;
    EXPECT_GT(SecondsUntil(TmcStatusNoRds, test::Scaled(10000ms)), 3.0);

    EXPECT_EQ(status_.Statuses(), (std::vector<TmcStatus>{TmcStatusNoRds, TmcStatusRdsOnly, TmcStatusTmc,
                                                          TmcStatusRdsOnly, TmcStatusNoRds}))
        << "each change heard exactly once";
}

TEST_F(StatusTest, OneClockTimeGroupCountsAsTmcActivity) {
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    GroupStream stream(receiver_);
    stream.basic = true;
    ASSERT_GE(SecondsUntil(TmcStatusRdsOnly, 4000ms), 0);
    stream.clockGroups = 1;
    EXPECT_GE(SecondsUntil(TmcStatusTmc, 4000ms), 0);
    EXPECT_GT(SecondsUntil(TmcStatusRdsOnly, test::Scaled(10000ms)), 2.0);
}

// Holds the status worker inside its callback once RDS is seen, so the only
// waiter left on the TMC event is the other process.
class HoldingListener : public ITmcStatusListener {
public:
    ~HoldingListener() override { test::DisconnectIfConnected(this); }
    void OnStatusChanged(const TmcStatus& s) override {
        if (s != TmcStatusRdsOnly) return;
        held = true;
        while (!release) std::this_thread::sleep_for(5ms);
    }
    std::atomic<bool> held{false}, release{false};
};

TEST_F(StatusTest, AnotherProcessIsWokenByTmcGroupsArriving) {
    HoldingListener holder;
    Connect(&holder);
    ASSERT_TRUE(TmcOpen(receiver_.DevicePath().c_str(), 9600));
    // Groups that come before the status worker has opened the events set
    // nothing, so keep them coming until RDS is seen.
    GroupStream stream(receiver_);
    stream.basic = true;
    ASSERT_TRUE(test::WaitUntil([&] { return holder.held.load(); }));

    const std::string name = test::EventPrefix() + kTmcEventName;
    const int peer = test::Spawn({EVENT_PEER_PATH, "wait", name, std::to_string(test::Scaled(5000ms).count())});
    ASSERT_GT(peer, 0);
    receiver_.Send(GroupSentence(0x6201, 0x8000, 1, 2));
    const int code = test::ExitCode(peer);
    holder.release = true;
    EXPECT_EQ(code, 0) << "the peer took the TMC activity signal";
}

}  // namespace
}  // namespace rdstmc
