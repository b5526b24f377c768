#include "report/doorbell_service.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "core/factory.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

// The door bell is polled once a minute at the shortest; tests that need polls shorten it.
ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["HostOSInfo"],
    "IPMIDoorBellMonitorInterval": 1
})");

using namespace std::chrono_literals;
using ::testing::HasSubstr;

namespace {

orbtest::FakeManager host;

class DoorbellService : public ::testing::Test {
  protected:
    void SetUp() override { orbtest::installAsHostManager(host); }
    void TearDown() override {
        orbIPMIDBService::stoporbIPMIDBService();
        orbJsonAggregator::stoporbJsonAggregator();
    }

    size_t pushes() const { return rmc.count("WriteInventory"); }
    std::chrono::steady_clock::duration stopTime() {
        return orbtest::timeOf(orbIPMIDBService::stoporbIPMIDBService);
    }

    orbtest::InstalledRMC rmc;
};

TEST_F(DoorbellService, ARingAskingForTheInventoryCausesOneExtraPush) {
    orbIPMIDBService::setPollIntervalForTests(200ms);
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(orbtest::waitFor([&] { return pushes() == 1; }));
    orbIPMIDBService::startorbIPMIDBService();
    ASSERT_TRUE(orbtest::waitFor([&] { return rmc->doorbellPolls() >= 2; }));
    EXPECT_EQ(pushes(), 1u) << "an empty door bell caused a push";
    // The RMC clears the door bell once the inventory has arrived.
    rmc->ringDoorbell("cmd=WriteInventory;");
    ASSERT_TRUE(orbtest::waitFor([&] { return pushes() == 2; }));
    const unsigned polls = rmc->doorbellPolls();
    ASSERT_TRUE(orbtest::waitFor([&] { return rmc->doorbellPolls() >= polls + 2; }));
    EXPECT_EQ(pushes(), 2u);
}

TEST_F(DoorbellService, StopWhileWaitingEndsWithoutAPollAndIsFinal) {
    orbIPMIDBService::startorbIPMIDBService();
    orbIPMIDBService::startorbIPMIDBService();  // a second start starts nothing
    std::this_thread::sleep_for(200ms);
    EXPECT_LT(stopTime(), 2s);
    EXPECT_EQ(rmc->doorbellPolls(), 0u);
    orbIPMIDBService::stoporbIPMIDBService();

    orbtest::LogMark mark;
    orbIPMIDBService::startorbIPMIDBService();
    EXPECT_THAT(mark.mainSince(),
                HasSubstr("The door-bell service was stopped and is not started again"));
}

TEST_F(DoorbellService, StopRightAfterTheStartIsNotLost) {
    orbIPMIDBService::startorbIPMIDBService();
    EXPECT_LT(stopTime(), 2s);
    EXPECT_EQ(rmc->doorbellPolls(), 0u);
}

// Polls the RMC refuses are logged once for the outage; a poll it never answers does not hold
// up the stop.
TEST_F(DoorbellService, FailingPollsAreLoggedOnceAndAnUnansweredOneEndsAtTheStop) {
    orbIPMIDBService::setPollIntervalForTests(50ms);
    rmc->failDoorbellPoll(orbsim::ExchangeFault::CompletionCode);
    orbtest::LogMark mark;
    orbIPMIDBService::startorbIPMIDBService();
    ASSERT_TRUE(orbtest::waitFor([&] { return rmc->doorbellPolls() >= 4; }));
    EXPECT_EQ(orbtest::occurrences(mark.mainSince(),
                                   "An error occurred in checking RMC request via IPMI"),
              1u);

    rmc->setReplyTimeout(15s);
    rmc->failDoorbellPoll(orbsim::ExchangeFault::NoReply);
    const unsigned polls = rmc->doorbellPolls();
    ASSERT_TRUE(orbtest::waitFor([&] { return rmc->doorbellPolls() > polls; }));
    EXPECT_LT(stopTime(), 2s);
}

}  // namespace
