#include "storage/sas_resource_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "core/job_manager.h"
#include "report/inventory_aggregator.h"
#include "storage/fake_storage_factory.h"
#include "storage/sas_loop_schedule.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["StorageControllers"]})");

using namespace std::chrono_literals;
using orbtest::waitFor;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

SASResourceManager* sas() {
    return SASResourceManager::getInstance();
}

std::vector<Json::Value> listOf(int kind, int* result = nullptr) {
    std::vector<Json::Value> list;
    const int answered = sas()->getInventoryJsonObject2(kind, list);
    if (result != nullptr) {
        *result = answered;
    }
    return list;
}

// The serial number or name the fake controller gave a record of this kind on its last pass.
std::string fakeTag(int kind) {
    for (const Json::Value& entry : listOf(kind)) {
        const std::string tag = kind == ORB_SAS_INVENTORY_VOLUMES
                                    ? entry["DurableName"].asString()
                                    : entry["SerialNumber"].asString();
        if (tag.size() > 4 && tag[3] == '-') {
            return tag;
        }
    }
    return "";
}

orbtest::FakeStorageFactory& fakeFactory() {
    static orbtest::FakeStorageFactory factory;
    orbControllerFactoryRegistry::add(&factory);
    return factory;
}

TEST(SASResourceManager, ListsHaveTheirShapesAndReadersDuringARebuildGetThePreviousOnes) {
    orbtest::FakeStorageFactory& fake = fakeFactory();
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(waitFor([] { return sas()->isInventoryReady(0); }));

    const auto controllers = listOf(ORB_SAS_INVENTORY_CONTROLLERS);
    ASSERT_EQ(controllers.size(), 4u) << "Lewisburg, SmartRAID, MegaRAID 9560 and the fake";
    EXPECT_THAT(controllers[0].getMemberNames(),
                ElementsAre("FirmwareVersion", "Manufacturer", "Model", "Oem", "PartNumber",
                            "Protocol", "SerialNumber", "Status"));
    EXPECT_THAT(controllers[0]["Oem"].getMemberNames(),
                ElementsAre("Description", "PhysicalLocation"));
    EXPECT_THAT(controllers[0]["Status"].getMemberNames(), ElementsAre("Health", "State"));
    const Json::Value drive = listOf(ORB_SAS_INVENTORY_DRIVES).back();
    EXPECT_THAT(drive.getMemberNames(),
                ElementsAre("CapacityBytes", "Manufacturer", "MediaType", "Model", "Oem",
                            "PartNumber", "Protocol", "Revision", "SerialNumber", "Status"));
    EXPECT_TRUE(drive["CapacityBytes"].isUInt64());
    EXPECT_THAT(drive["Oem"].getMemberNames(), ElementsAre("PhysicalLocation", "Slot"));
    const Json::Value volume = listOf(ORB_SAS_INVENTORY_VOLUMES).back();
    EXPECT_THAT(volume.getMemberNames(), ElementsAre("CapacityBytes", "Drives", "DurableName",
                                                     "Oem", "Status", "VolumeType"));
    EXPECT_TRUE(volume["Drives"].isArray());
    EXPECT_THAT(volume["Oem"].getMemberNames(),
                ElementsAre("DeviceName", "HostControllerPhysicalLocation"));
    EXPECT_EQ(fakeTag(ORB_SAS_INVENTORY_ENCLOSURES), "ENC-1");
    EXPECT_EQ(listOf(ORB_SAS_INVENTORY_ENCLOSURES)[0]["Status"]["State"], "Unknown");

    // A rebuild held up in discovery: readers get the lists of the build before at once.
    fake.hold = true;
    sas()->invalidateInventoryCache();
    ASSERT_TRUE(waitFor([&] { return fake.entered.load(); }));
    int result = 0;
    const auto during = listOf(ORB_SAS_INVENTORY_ENCLOSURES, &result);
    EXPECT_EQ(result, 1);
    ASSERT_EQ(during.size(), 1u);
    EXPECT_EQ(during[0]["SerialNumber"], "ENC-1");
    EXPECT_EQ(fakeTag(ORB_SAS_INVENTORY_DRIVES), "DRV-1");
    // Asked for while the build runs, by another thread of a controller the build is waiting
    // for: neither waits for the other, and a build follows the held one.
    fake.invalidateDuringDiscovery = true;
    fake.hold = false;
    ASSERT_TRUE(waitFor([] { return fakeTag(ORB_SAS_INVENTORY_VOLUMES) == "VOL-3"; }, 10s));
    listOf(ORB_SAS_INVENTORY_ENCLOSURES, &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(listOf(5).size(), 0u);

    orbJobManager::stopResourceManagers();
    EXPECT_FALSE(sas()->isRunning());
}

TEST(SASResourceManager, AStopDuringABuildReturnsWithinTwoSeconds) {
    orbtest::FakeStorageFactory& fake = fakeFactory();
    fake.hold = true;  // until the manager signals shutdown
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(waitFor([&] { return fake.entered.load(); }));
    orbtest::LogMark mark;
    auto begun = std::chrono::steady_clock::now();
    orbJobManager::stopResourceManagers();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 2s);
    EXPECT_THAT(mark.mainSince(), HasSubstr("ORB Exiting Gracefully!"));
    EXPECT_THAT(mark.debugSince(), HasSubstr("Resource manager stop in progress."));
    EXPECT_FALSE(sas()->isInventoryReady(0)) << "a build cut short is not published";

    // No loop runs now: a stop returns at once.
    begun = std::chrono::steady_clock::now();
    sas()->stopResourceManagerJob();
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 100ms);
}

TEST(SASResourceManager, WakesAtTheGcdOfRefreshAndPoll) {
    EXPECT_EQ(orbSasLoopSchedule(25, 10, 0).wakeStep(), 5);
    EXPECT_EQ(orbSasLoopSchedule(0, 10, 0).wakeStep(), 10);  // never a zero step, a busy loop
    orbSasLoopSchedule schedule(25, 10, 100);
    EXPECT_FALSE(schedule.pollDue(109));
    EXPECT_TRUE(schedule.pollDue(110));
    EXPECT_FALSE(schedule.refreshDue(124));
    EXPECT_TRUE(schedule.refreshDue(125));
}

}  // namespace
