#include "core/job_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "core/factory.h"
#include "core/resource_manager.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(
    R"({"EnableResources": ["HostOSInfo", "StorageControllers", "NVMeControllers"]})");

using ::testing::HasSubstr;

namespace {

// A manager whose init() waits for its stop request, the way every real manager's loop does.
class WaitingManager : public orbResourceManager {
  public:
    int stopResourceManagerJob() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++stops;
        cond.notify_all();
        return 0;
    }
    int init() override {
        ++inits;
        std::unique_lock<std::mutex> lock(mutex);
        cond.wait(lock, [this] { return stops > 0; });
        return 0;
    }
    int cacheBuild() override { return 0; }
    int startInventory() override { return 0; }
    int getInventoryJsonObject(std::vector<Json::Value>&) override { return 0; }
    bool isRunning() override { return true; }
    bool isInventoryReady(int) override { return true; }

    std::atomic<int> inits{0};
    std::atomic<int> stops{0};

  private:
    std::mutex mutex;
    std::condition_variable cond;
};

// A manager stuck in something no stop request reaches, until the test releases it.
class StuckManager : public WaitingManager {
  public:
    int init() override {
        ++inits;
        std::unique_lock<std::mutex> lock(mutex);
        cond.wait(lock, [this] { return released; });
        return 0;
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
        cond.notify_all();
    }

  private:
    std::mutex mutex;
    std::condition_variable cond;
    bool released = false;
};

WaitingManager host;
WaitingManager storage;
WaitingManager network;
StuckManager stuck;

TEST(JobManager, RunsEnabledManagersAndJoinsOnlyTheStartedThreads) {
    orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&host); });
    orbFactory::registerManager(2, [] { return static_cast<orbResourceManager*>(&storage); });
    orbFactory::registerManager(3, [] { return static_cast<orbResourceManager*>(&network); });
    orbtest::LogMark mark;

    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(orbtest::waitFor([] { return host.inits == 1 && storage.inits == 1; }));
    EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), std::chrono::seconds(5));

    EXPECT_EQ(host.stops, 1);
    EXPECT_EQ(storage.stops, 1);
    // Disabled: its thread ended at once, and it is never asked to stop.
    EXPECT_EQ(network.inits, 0);
    EXPECT_EQ(network.stops, 0);
    EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
}

TEST(JobManager, AStuckManagerHoldsUpNeitherTheStopNorTheOthers) {
    orbFactory::registerManager(1, [] { return static_cast<orbResourceManager*>(&host); });
    orbFactory::registerManager(4, [] { return static_cast<orbResourceManager*>(&stuck); });
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(orbtest::waitFor([] { return host.inits == 1 && stuck.inits == 1; }));

    orbtest::LogMark mark;
    EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), std::chrono::seconds(2));
    EXPECT_THAT(mark.mainSince(), HasSubstr("NVMeControllers [4] has not stopped within 1500 ms"));

    // No second thread beside the one still stopping; the others start again.
    EXPECT_FALSE(orbJobManager::startResourceManagers());
    EXPECT_TRUE(orbtest::waitFor([] { return host.inits == 2; }));
    EXPECT_EQ(stuck.inits, 1);

    stuck.release();
    EXPECT_TRUE(orbtest::waitFor([] { return orbJobManager::startResourceManagers(); }));
    EXPECT_TRUE(orbtest::waitFor([] { return stuck.inits == 2; }));
    orbJobManager::stopResourceManagers();
    EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
}

TEST(JobManager, StopWithoutStartReturnsAtOnce) {
    orbtest::LogMark mark;
    orbJobManager::stopResourceManagers();
    orbJobManager::stopResourceManagers();
    EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
}

TEST(JobManager, UnknownTypesHaveNoThreadNorManager) {
    EXPECT_EQ(orbJobManager::initializeResourceManager(reinterpret_cast<void*>(42)), nullptr);
    EXPECT_EQ(orbJobManager::initializeResourceManager(reinterpret_cast<void*>(6)), nullptr);
    for (int type : {-1, 5}) {
        EXPECT_EQ(orbFactory::createInstance(type), nullptr) << type;
        EXPECT_FALSE(orbFactory::registerManager(
            type, [] { return static_cast<orbResourceManager*>(&host); }));
    }
}

}  // namespace
