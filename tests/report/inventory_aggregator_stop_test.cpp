// The aggregator waits long between readiness polls here, so a stop that were lost, or that
// waited out the poll interval, would show as a stop that takes a minute rather than the two
// seconds a stop may take.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "core/factory.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["HostOSInfo"],
    "InventoryQueryIntervalInSeconds": 60
})");

using namespace std::chrono_literals;

namespace {

orbtest::FakeManager host;

class AggregatorStop : public ::testing::Test {
  protected:
    void SetUp() override {
        orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&host); });
    }

    // Stops and tells how long the stop took.
    std::chrono::steady_clock::duration stopTime() {
        return orbtest::timeOf(orbJsonAggregator::stoporbJsonAggregator);
    }

    orbtest::InstalledRMC rmc;
};

TEST_F(AggregatorStop, StopRightAfterTheStartIsNotLost) {
    orbJsonAggregator::sendInventory(false);
    EXPECT_LT(stopTime(), 2s);
    EXPECT_EQ(rmc->commands().size(), 0u);
    EXPECT_FALSE(orbJsonAggregator::isInventorySent());
}

TEST_F(AggregatorStop, StopDuringTheReadinessWaitEndsItWithoutAPush) {
    orbJsonAggregator::sendInventory(false);
    std::this_thread::sleep_for(500ms);
    EXPECT_LT(stopTime(), 2s);
    EXPECT_EQ(rmc->commands().size(), 0u);
}

}  // namespace
