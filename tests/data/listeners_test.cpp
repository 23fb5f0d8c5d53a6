#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>
#include <thread>

#include "data/listeners.h"
#include "data/receiver_state.h"
#include "support/test_support.h"

namespace rdstmc {
namespace {

using namespace std::chrono_literals;

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override { test::FreshState(); }
    void TearDown() override { test::DisconnectAll(); }
};

TEST_F(ListenerTest, ConnectKeepsTheLastAndRefusesNull) {
    test::StatusRecorder first, second;
    EXPECT_FALSE(Connect(static_cast<ITmcStatusListener*>(nullptr)));
    EXPECT_EQ(State().slots.status.listener.load(), nullptr);
    EXPECT_TRUE(Connect(&first));
    EXPECT_FALSE(Connect(static_cast<ITmcStatusListener*>(nullptr)));
    EXPECT_TRUE(Connect(&second));
    SetStatus(State(), TmcStatusNoRds);
    EXPECT_TRUE(first.Statuses().empty());
    EXPECT_EQ(second.Statuses(), std::vector<TmcStatus>{TmcStatusNoRds});
}

TEST_F(ListenerTest, DisconnectIgnoresItsArgumentAndReportsAnEmptySlot) {
    test::RdsRecorder connected, other;
    EXPECT_FALSE(Disconnect(&other));
    Connect(&connected);
    EXPECT_TRUE(Disconnect(&other)) << "any pointer empties a filled slot";
    EXPECT_FALSE(Disconnect(&connected));
    EXPECT_EQ(State().slots.rds.listener.load(), nullptr);
}

TEST_F(ListenerTest, EachStatusChangeIsToldOnce) {
    test::StatusRecorder status;
    Connect(&status);
    SetStatus(State(), TmcStatusNoRds);
    SetStatus(State(), TmcStatusNoRds);
    SetStatus(State(), TmcStatusTmc);
    EXPECT_EQ(status.Statuses(), (std::vector<TmcStatus>{TmcStatusNoRds, TmcStatusTmc}));
    EXPECT_EQ(TmcGetStatus(), TmcStatusTmc);
}

// Blocks inside its callback until released.
class SlowListener : public ITmcStatusListener {
public:
    ~SlowListener() override { test::DisconnectIfConnected(this); }
    void OnStatusChanged(const TmcStatus&) override {
        inside = true;
        while (!release) std::this_thread::sleep_for(1ms);
        inside = false;
        ++calls;
    }
    std::atomic<bool> inside{false}, release{false};
    std::atomic<int> calls{0};
};

TEST_F(ListenerTest, DisconnectWaitsForACallInProgressOnAnotherThread) {
    SlowListener slow;
    Connect(&slow);
    std::thread worker([] { SetStatus(State(), TmcStatusRdsOnly); });
    ASSERT_TRUE(test::WaitUntil([&] { return slow.inside.load(); }));
    std::atomic<bool> disconnected{false};
    std::thread client([&] {
        Disconnect(&slow);
        disconnected = true;
    });
    // While the callback runs, Disconnect must not return.
    EXPECT_FALSE(test::WaitUntil([&] { return disconnected.load(); }, 100ms));
    slow.release = true;
    client.join();
    worker.join();
    EXPECT_TRUE(disconnected);
    EXPECT_FALSE(slow.inside);
    SetStatus(State(), TmcStatusTmc);
    EXPECT_EQ(slow.calls, 1) << "never called after Disconnect returned";
}

class SelfDisconnecting : public ITmcRawDataListener {
public:
    ~SelfDisconnecting() override { test::DisconnectIfConnected(this); }
    void OnRawData(const unsigned int&, const unsigned int&) override {
        ++calls;
        disconnected = Disconnect(this);
    }
    int calls = 0;
    bool disconnected = false;
};

TEST_F(ListenerTest, AListenerMayDisconnectItselfWithoutDeadlock) {
    SelfDisconnecting l;
    Connect(&l);
    const unsigned a = 1, b = 2;
    NotifyListener<ITmcRawDataListener>(State().slots.rawData, [&](ITmcRawDataListener* x) { x->OnRawData(a, b); });
    NotifyListener<ITmcRawDataListener>(State().slots.rawData, [&](ITmcRawDataListener* x) { x->OnRawData(a, b); });
    EXPECT_EQ(l.calls, 1);
    EXPECT_TRUE(l.disconnected);
}

// Notices any call that is still running, or starts, after the client was
// told by Connect or Disconnect that the listener is gone.
class RetiringListener : public ITmcRawDataListener {
public:
    void OnRawData(const unsigned int&, const unsigned int&) override {
        if (retired.load()) ++lateCalls;
        ++calls;
        for (int i = 0; i < 100; ++i) spin.fetch_add(1, std::memory_order_relaxed);
        if (retired.load()) ++lateCalls;
    }
    std::atomic<bool> retired{false};
    std::atomic<int> calls{0}, lateCalls{0}, spin{0};
};

TEST_F(ListenerTest, NoCallReachesAListenerOnceItsReplacementOrDisconnectReturned) {
    std::vector<std::unique_ptr<RetiringListener>> listeners;
    std::atomic<bool> stop{false};
    std::thread notifier([&] {
        const unsigned w0 = 1, w1 = 2;
        while (!stop) {
            NotifyListener<ITmcRawDataListener>(State().slots.rawData, [&](ITmcRawDataListener* l) { l->OnRawData(w0, w1); });
        }
    });
    RetiringListener* current = nullptr;
    for (int i = 0; i < 90; ++i) {
        // Each listener is called at least once before it goes, so the
        // replacement always races a notifier that is really running.
        const auto deadline = std::chrono::steady_clock::now() + 2s;
        while (current != nullptr && current->calls == 0 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::yield();
        }
        if (i % 3 == 2) {
            Disconnect(current);
        } else {
            listeners.push_back(std::make_unique<RetiringListener>());
            Connect(listeners.back().get());
        }
        if (current != nullptr) current->retired = true;
        current = i % 3 == 2 ? nullptr : listeners.back().get();
        std::this_thread::yield();
    }
    stop = true;
    notifier.join();
    int calls = 0, late = 0;
    for (const auto& l : listeners) {
        calls += l->calls;
        late += l->lateCalls;
    }
    EXPECT_GE(calls, 59) << "the notifier reached every listener";
    EXPECT_EQ(late, 0);
    EXPECT_EQ(State().slots.rawData.callsInProgress.load(), 0);
}

}  // namespace
}  // namespace rdstmc
