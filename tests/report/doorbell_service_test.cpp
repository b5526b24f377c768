#include "report/doorbell_service.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "core/factory.h"
#include "report/inventory_aggregator.h"
#include "report/ipmi_utils.h"
#include "support/fake_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

// The door bell is polled once a minute at the shortest.
ORB_TEST_CONFIGURATION(R"({
    "EnableResources": ["HostOSInfo"],
    "IPMIDoorBellMonitorInterval": 1
})");

using namespace std::chrono_literals;

namespace {

orbtest::FakeManager host;

class DoorbellService : public ::testing::Test {
  protected:
    void SetUp() override {
        Json::Value element(Json::objectValue);
        element["HostOSInfo"] = "fake";
        host.setElements({element});
        orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&host); });
    }
    void TearDown() override {
        orbIPMIDBService::stoporbIPMIDBService();
        orbJsonAggregator::stoporbJsonAggregator();
    }

    size_t pushes() const { return rmc.count("WriteInventory"); }

    orbtest::InstalledRMC rmc;
};

TEST_F(DoorbellService, ARingAskingForTheInventoryCausesOneExtraPush) {
    orbJsonAggregator::sendInventory(false);
    orbIPMIDBService::startorbIPMIDBService();
    ASSERT_TRUE(orbtest::waitFor([&] { return pushes() == 1; }));
    // Rung after the first push (which would clear it), polled at the minute.
    rmc->ringDoorbellAt(20s, "cmd=WriteInventory;");
    ASSERT_TRUE(orbtest::waitFor([&] { return pushes() == 2; }, 90s));
    EXPECT_EQ(rmc->doorbellPolls(), 1u);
    std::this_thread::sleep_for(1s);
    EXPECT_EQ(pushes(), 2u);
}

TEST_F(DoorbellService, StopWhileWaitingEndsWithoutAPoll) {
    orbIPMIDBService::startorbIPMIDBService();
    orbIPMIDBService::startorbIPMIDBService();  // a second start starts nothing
    std::this_thread::sleep_for(200ms);
    auto started = std::chrono::steady_clock::now();
    orbIPMIDBService::stoporbIPMIDBService();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    EXPECT_EQ(rmc->doorbellPolls(), 0u);
    orbIPMIDBService::stoporbIPMIDBService();
}

TEST_F(DoorbellService, StopRightAfterTheStartIsNotLost) {
    orbIPMIDBService::startorbIPMIDBService();
    auto started = std::chrono::steady_clock::now();
    orbIPMIDBService::stoporbIPMIDBService();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 30s);
    EXPECT_EQ(rmc->doorbellPolls(), 0u);
}

}  // namespace
