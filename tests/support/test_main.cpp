// Every test process gets named events of its own, so tests running side by
// side (ctest -j) never take each other's activity signals.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

#include "support/seams.h"
#include "platform/named_event.h"
#include "status/status_worker.h"
#include "support/test_support.h"

const std::string& rdstmc::test::EventPrefix() {
    static const std::string prefix = [] {
        std::random_device entropy;
        return "rdstmc-test-" + std::to_string(entropy()) + "-" +
               std::to_string(std::chrono::steady_clock::now().time_since_epoch().count() % 1000000) + "-";
    }();
    return prefix;
}

namespace {

class PrivateEvents : public ::testing::Environment {
public:
    void SetUp() override { rdstmc::platform::SetNamedEventPrefixForTesting(rdstmc::test::EventPrefix().c_str()); }
    void TearDown() override {
        rdstmc::platform::NamedEventRemove(rdstmc::kRdsEventName);
        rdstmc::platform::NamedEventRemove(rdstmc::kTmcEventName);
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PrivateEvents);
    return RUN_ALL_TESTS();
}
