// MegaRAID storage through the storage library stand-in on the default host: the controller,
// its drives and volumes in the pushed inventory, and firmware events (fired by the library's
// own thread) reaching the RMC as service events.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/job_manager.h"
#include "report/inventory_aggregator.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/scenario_player.h"
#include "storage/sas_resource_manager.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["StorageControllers"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;

namespace {

struct Event {
    int id;
    std::string type, location, serial, id_text, info;
};

class MegaRAIDService : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override {
        player.stop();
        orbJsonAggregator::stoporbJsonAggregator();
        orbJobManager::stopResourceManagers();
        orbsim::removeSimulatedDrives();
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());
    }

    void start() {
        ASSERT_TRUE(orbJobManager::startResourceManagers());
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    }

    // The events about the MegaRAID's drives and volumes.
    std::vector<Event> events() const {
        std::vector<Event> seen;
        for (const Json::Value& document : rmc.events()) {
            const Json::Value& variable = document["VariableData"];
            const std::string info = variable["EventInfo"].asString();
            // The MegaRAID's drives and volumes; a change may be reported by the firmware
            // event or by the rediscovery that reads it first, once either way.
            const std::string serial = variable["Data"]["SerialNumber"].asString();
            const std::string volume = variable["Data"]["DurableName"].asString();
            if (serial.find("MR0") == std::string::npos && volume.rfind("SKC1234567:", 0) != 0) {
                continue;
            }
            seen.push_back({document["ID"].asInt(), variable["Type"].asString(),
                            document["PhysicalLocation"].asString(),
                            variable["Data"]["SerialNumber"].asString(),
                            variable["Data"]["DurableName"].asString(), info});
        }
        return seen;
    }
    bool awaitEvent(int id, size_t after, Event* found = nullptr) {
        return waitFor(
            [&] {
                const std::vector<Event> all = events();
                for (size_t i = after; i < all.size(); ++i) {
                    if (all[i].id == id) {
                        if (found != nullptr) {
                            *found = all[i];
                        }
                        return true;
                    }
                }
                return false;
            },
            10s);
    }
    Json::Value pushed() { return rmc.pushedInventory(); }
    void change(const std::string& lines) { orbtest::applyScenario(player, lines); }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
};

const char* const kGuide = ". Please refer to MegaRAID Software User Guide for further details.";

TEST_F(MegaRAIDService, InventoryAndFirmwareEventsReachTheRmc) {
    start();
    Json::Value inventory;
    ASSERT_TRUE(waitFor([&] {
        inventory = pushed();
        return inventory["Volumes"].size() == 2;
    }));
    std::vector<std::string> models;
    for (const Json::Value& controller : inventory["StorageControllers"]) {
        models.push_back(controller["Model"].asString() + " " +
                         controller["SerialNumber"].asString());
    }
    EXPECT_THAT(models, ::testing::Contains(
                            "Broadcom / LSI MegaRAID 9560-8i Tri-Mode Internal RAID SKC1234567"));
    std::vector<std::string> drives;
    for (const Json::Value& drive : inventory["Drives"]) {
        if (drive["SerialNumber"].asString().find("MR0") != std::string::npos) {
            drives.push_back(drive["SerialNumber"].asString() + " " +
                             drive["Oem"]["PhysicalLocation"].asString());
        }
    }
    // The drive whose inquiry data lacks a serial number is named by its VPD page 0x80.
    EXPECT_THAT(drives, ::testing::UnorderedElementsAre(
                            "WFN2MR01 3801010102040001", "WFN2MR02 3801010102040101",
                            "WFK1MR03 3801010102040201", "WFK1MR04 3801010102040301",
                            "WFK1MR05 3801010102040401"));
    std::vector<std::string> volumes;
    for (const Json::Value& volume : inventory["Volumes"]) {
        volumes.push_back(volume["VolumeType"].asString() + " " +
                          volume["Status"]["State"].asString());
    }
    EXPECT_THAT(volumes, ::testing::UnorderedElementsAre("RAID1 Optimal", "RAID5 Optimal"));

    // A drive failing and rebuilding, a volume degrading and recovering, and two consistency
    // checks: each firmware event once, without waiting for a rediscovery.
    size_t mark = events().size();
    Event event;
    change("0 megaraid 0 pd 252:1 state 0x11\n");
    ASSERT_TRUE(awaitEvent(538, mark, &event));
    EXPECT_EQ(event.type, "Drive");
    EXPECT_EQ(event.serial, "WFN2MR02");
    EXPECT_EQ(event.location, "3801010102040101");
    EXPECT_EQ(event.info,
              std::string("[Msg # 0072] State change on PD 9(e252/s1) from 0x00 to 0x11") + kGuide);

    mark = events().size();
    change("0 megaraid 0 pd 252:1 state 0x14\n");
    ASSERT_TRUE(awaitEvent(540, mark, &event));
    EXPECT_EQ(event.serial, "WFN2MR02");

    // Failed and "Unconfigured bad" are equally failed: moving between them is no news.
    mark = events().size();
    change("0 megaraid 0 pd 252:1 state 0x01\n");
    ASSERT_TRUE(awaitEvent(538, mark, &event));
    change("0 megaraid 0 pd 252:1 state 0x11\n");

    mark = events().size();
    change("0 megaraid 0 ld 0 state 2\n");
    ASSERT_TRUE(awaitEvent(681, mark, &event));
    EXPECT_EQ(event.type, "Volume");
    EXPECT_EQ(event.id_text, "SKC1234567:0");
    change("0 megaraid 0 ld 0 state 3\n");
    ASSERT_TRUE(awaitEvent(683, mark, &event));

    // A rediscovery between the findings and the end of the check keeps its findings.
    mark = events().size();
    orbtest::LogMark beforeCheck;
    const std::string corrected =
        "0 megaraid 0 event 0x003B class=0 locale=0x0001 args=ld target=1 text=Corrected medium "
        "error on VD 1\n";
    change("0 megaraid 0 cc 1 start\n0 megaraid 0 cc 1 progress 40\n" + corrected + corrected);
    ASSERT_TRUE(waitFor([&] {
        return beforeCheck.mainSince().find(
                   "MegaRAID CC State [1] - New: [0], [false], [# "
                   "Corrected medium errors = 2]") != std::string::npos;
    }));
    orbtest::LogMark beforeRebuild;
    SASResourceManager::getInstance()->invalidateInventoryCache();
    ASSERT_TRUE(waitFor([&] {
        return beforeRebuild.debugSince().find("discoverLogicalDiskInventory 1") !=
               std::string::npos;
    }));
    change("0 megaraid 0 cc 1 done parity=1\n");
    ASSERT_TRUE(awaitEvent(1387, mark, &event));
    EXPECT_EQ(event.info,
              std::string("[Msg # 003a] Consistency Check done with inconsistencies on VD 1, (# "
                          "Corrected medium errors = 2; # Inconsistent parity = 1)") +
                  kGuide);
    // A new check starts from nothing: a clean one reads clean.
    mark = events().size();
    change("0 megaraid 0 cc 1 start\n0 megaraid 0 cc 1 done\n");
    ASSERT_TRUE(awaitEvent(1385, mark, &event));
    EXPECT_EQ(event.info, std::string("[Msg # 0038] Consistency Check done on VD 1") + kGuide);

    // The rebuilds that followed raised nothing twice.
    std::this_thread::sleep_for(2s);
    std::vector<int> ids;
    for (const Event& raised : events()) {
        ids.push_back(raised.id);
    }
    EXPECT_THAT(ids, ::testing::ElementsAre(538, 540, 538, 681, 683, 1387, 1385));
    const Json::Value after = pushed();
    for (const Json::Value& drive : after["Drives"]) {
        if (drive["SerialNumber"] == "WFN2MR02") {
            EXPECT_EQ(drive["Status"]["State"].asString(), "Failed");
            EXPECT_EQ(drive["Status"]["Health"].asString(), "Critical");
        }
    }
}

// A burst of firmware events is absorbed, and a stop while the library's thread is still
// delivering returns in time and leaves nothing running.
TEST_F(MegaRAIDService, EventBurstAndStopInTime) {
    start();
    ASSERT_TRUE(waitFor([&] { return pushed()["Volumes"].size() == 2; }));
    std::string burst;
    for (int i = 0; i < 1000; ++i) {
        burst +=
            "0 megaraid 0 event 0x0072 class=0 locale=0x0002 args=pd-state device=8 "
            "enclosure=252 slot=0 new=" +
            std::string(i % 2 == 0 ? "0x11" : "0x00") + " text=burst\n";
    }
    change(burst);
    ASSERT_TRUE(waitFor([&] { return events().size() >= 2; }));
    const auto took = orbtest::timeOf([] {
        orbJsonAggregator::stoporbJsonAggregator();
        orbJobManager::stopResourceManagers();
    });
    EXPECT_LT(took, 2s);
}

}  // namespace
