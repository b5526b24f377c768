#include "core/job_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/factory.h"
#include "core/resource_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(
    R"({"EnableResources": ["HostOSInfo", "StorageControllers", "NVMeControllers"]})");

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// A manager whose init() waits for its stop request, the way every real manager's loop does.
class WaitingManager : public orbResourceManager {
  public:
    int cacheBuild() override { return 0; }
    int stopResourceManagerJob() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++stopCalls;
        stopped = true;
        cond.notify_all();
        return 0;
    }
    int init() override {
        std::unique_lock<std::mutex> lock(mutex);
        ++initCalls;
        cond.wait(lock, [this] { return stopped; });
        return 0;
    }
    int startInventory() override { return 0; }
    int getInventoryJsonObject(std::vector<Json::Value>&) override { return 0; }
    bool isRunning() override { return true; }
    bool isInventoryReady(int) override { return true; }

    int initCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return initCalls;
    }
    int stopCount() {
        std::lock_guard<std::mutex> lock(mutex);
        return stopCalls;
    }

  private:
    std::mutex mutex;
    std::condition_variable cond;
    bool stopped = false;
    int initCalls = 0;
    int stopCalls = 0;
};

WaitingManager host;
WaitingManager storage;
WaitingManager network;

TEST(JobManager, RunsEnabledManagersAndStopsThemAll) {
    orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&host); });
    orbFactory::registerManager(2, [] { return static_cast<orbResourceManager*>(&storage); });
    orbFactory::registerManager(3, [] { return static_cast<orbResourceManager*>(&network); });
    orbtest::LogMark mark;

    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(orbtest::waitFor([] { return host.initCount() == 1 && storage.initCount() == 1; }));

    auto started = std::chrono::steady_clock::now();
    orbJobManager::stopResourceManagers();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));

    EXPECT_EQ(host.stopCount(), 1);
    EXPECT_EQ(storage.stopCount(), 1);
    // Disabled: its thread ended at once, and it is never asked to stop.
    EXPECT_EQ(network.initCount(), 0);
    EXPECT_EQ(network.stopCount(), 0);

    std::string debug = mark.debugSince();
    EXPECT_THAT(debug, HasSubstr("Creating thread for HostOSInfo"));
    EXPECT_THAT(debug, HasSubstr("Creating thread for StorageControllers"));
    EXPECT_THAT(debug, HasSubstr("Resource manager EthernetDevices [3] is disabled."));
    EXPECT_THAT(debug, HasSubstr("Resource manager FibreChannelDevices [0] is disabled."));
    std::string main = mark.mainSince();
    EXPECT_THAT(main, HasSubstr("No resource manager is available for NVMeControllers [4]."));
    EXPECT_THAT(main, HasSubstr("stopping all the RM"));
    EXPECT_THAT(main, HasSubstr("ORB Exiting Gracefully!"));
}

TEST(JobManager, StopWithoutStartReturnsAtOnce) {
    orbtest::LogMark mark;
    orbJobManager::stopResourceManagers();
    orbJobManager::stopResourceManagers();
    EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
}

TEST(JobManager, ThreadEntryHandlesCodesWithoutNameOrManager) {
    orbtest::LogMark mark;
    EXPECT_EQ(orbJobManager::initializeResourceManager(reinterpret_cast<void*>(42)), nullptr);
    EXPECT_EQ(orbJobManager::initializeResourceManager(reinterpret_cast<void*>(6)), nullptr);
    EXPECT_THAT(mark.mainSince(),
                HasSubstr("Unable to find module name for Resource Manager [42]."));
    EXPECT_THAT(mark.debugSince(),
                HasSubstr("Resource manager InfiniBandDevices [6] is disabled."));
}

TEST(JobManager, FactoryKnowsOnlyTypesZeroToFour) {
    for (int type : {-1, 5, 6, 7, 100}) {
        EXPECT_EQ(orbFactory::createInstance(type), nullptr) << type;
        EXPECT_FALSE(orbFactory::registerManager(
            type, [] { return static_cast<orbResourceManager*>(&host); }));
    }
    EXPECT_EQ(orbFactory::createInstance(0), nullptr);
}

TEST(JobManager, NoFaultIsSimulatedWithoutTheSetting) {
    orbtest::LogMark mark;
    orbJobManager::simulateUnhandledExceptions();
    EXPECT_THAT(mark.mainSince(), Not(HasSubstr("Simulating")));
}

}  // namespace
