// Every test process gets named events of its own, so tests running side by
// side (ctest -j) never take each other's activity signals.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/named_event.h"
#include "status/status_worker.h"

namespace {

class PrivateEvents : public ::testing::Environment {
public:
    void SetUp() override {
        prefix_ = "rdstmc-test-" + std::to_string(getpid()) + "-";
        rdstmc::platform::SetNamedEventPrefixForTesting(prefix_.c_str());
    }
    void TearDown() override {
        rdstmc::platform::NamedEventRemove(rdstmc::kRdsEventName);
        rdstmc::platform::NamedEventRemove(rdstmc::kTmcEventName);
    }

private:
    std::string prefix_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new PrivateEvents);
    return RUN_ALL_TESTS();
}
