// The NVMe service on the default host as the RMC sees it: the job manager runs the NVMe
// manager, the aggregator pushes, and the drives change under it as a scenario changes them,
// through the host's own esxcli answers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdlib.h>

#include <chrono>
#include <string>
#include <vector>

#include "core/job_manager.h"
#include "nvme/nvme_resource_manager.h"
#include "report/inventory_aggregator.h"
#include "sim/scenario/scenario_player.h"
#include "support/hung_tool.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["NVMeControllers"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;

namespace {

// One poll of the devices, with room for the event to travel.
constexpr auto kPollBound = 13s;

const char* const kSamsung = "S55JNC0R700123";    // vmhba4, two namespaces
const char* const kIntel = "PHLJ915001AB2P0BGN";  // vmhba5

struct Event {
    int id;
    std::string type, serial, location, info;
};

class NvmeService : public ::testing::Test {
  protected:
    void TearDown() override {
        player.stop();
        orbJsonAggregator::stoporbJsonAggregator();
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());
    }

    void start() {
        ASSERT_TRUE(orbJobManager::startResourceManagers());
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    }
    void change(const std::string& lines) { orbtest::applyScenario(player, lines); }

    std::vector<Event> events() const {
        std::vector<Event> seen;
        for (const Json::Value& document : rmc.events()) {
            const Json::Value& variable = document["VariableData"];
            seen.push_back({document["ID"].asInt(), variable["Type"].asString(),
                            variable["Data"]["SerialNumber"].asString(),
                            document["PhysicalLocation"].asString(),
                            variable["EventInfo"].asString()});
        }
        return seen;
    }
    // "837 S55..." for every event after the first `after`.
    std::vector<std::string> raisedSince(size_t after) const {
        std::vector<std::string> raised;
        const std::vector<Event> all = events();
        for (size_t i = after; i < all.size(); ++i) {
            raised.push_back(std::to_string(all[i].id) + " " + all[i].serial);
        }
        return raised;
    }
    bool awaitRaised(size_t after, const std::vector<std::string>& expected,
                     std::chrono::seconds bound = kPollBound) {
        return waitFor([&] { return raisedSince(after).size() >= expected.size(); }, bound) &&
               raisedSince(after) == expected;
    }

    Json::Value pushed() { return rmc.pushedInventory(); }
    static std::string status(const Json::Value& list, const std::string& serial) {
        for (const Json::Value& entry : list) {
            if (entry["SerialNumber"] == serial) {
                return entry["Status"]["State"].asString() + "/" +
                       entry["Status"]["Health"].asString();
            }
        }
        return "absent";
    }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
};

TEST_F(NvmeService, ControllersAndDrivesJoinThePushedInventory) {
    start();
    const Json::Value document = pushed();
    const Json::Value& controllers = document["StorageControllers"];
    const Json::Value& drives = document["Drives"];
    ASSERT_EQ(controllers.size(), 2u);
    ASSERT_EQ(drives.size(), 2u);

    const Json::Value& samsung = drives[0];
    EXPECT_EQ(samsung["SerialNumber"], kSamsung);
    // The model number keeps its blank; the two namespaces add up.
    EXPECT_EQ(samsung["Model"], "SAMSUNG MZWLJ3T8HBLS-00007");
    EXPECT_EQ(samsung["Oem"]["CapacityBytesDetected"].asUInt64(), 3840755982336u);
    EXPECT_EQ(samsung["CapacityBytes"].asInt64(), 3840755982336);
    EXPECT_EQ(samsung["Oem"]["Slot"], 5);
    EXPECT_EQ(samsung["Manufacturer"], "Samsung Electronics Co Ltd");
    EXPECT_EQ(samsung["PartNumber"], "VXA-NV4-3T8-PM1733");
    EXPECT_EQ(samsung["Revision"], "EPK98B5Q");
    EXPECT_EQ(samsung["Protocol"], "NVMe");
    EXPECT_EQ(samsung["MediaType"], "SSD");
    EXPECT_EQ(samsung["Oem"]["PhysicalLocation"].asString().size(), 16u);
    EXPECT_EQ(status(drives, kSamsung), "Running/OK");
    EXPECT_EQ(drives[1]["Model"], "INTEL SSDPE2KX020T8");
    EXPECT_EQ(drives[1]["Oem"]["Slot"], 6);
    EXPECT_EQ(drives[1]["Manufacturer"], "Intel Corporation");

    EXPECT_EQ(controllers[0]["Model"], "Samsung PM1733 3.84TB NVMe PCIe Gen4 U.2 SSD");
    EXPECT_EQ(controllers[0]["FirmwareVersion"], "EPK98B5Q");
    EXPECT_EQ(controllers[0]["Oem"]["Description"], "PCI 0000:d8:00.0 r001u01p3i05");
    EXPECT_EQ(controllers[0]["Oem"]["PhysicalLocation"], samsung["Oem"]["PhysicalLocation"]);
    EXPECT_EQ(controllers[1]["Oem"]["Description"], "PCI 0000:d9:00.0 r001u01p3i06");
}

// Every transition of the health table, a removal and a return, each seen once at the RMC.
TEST_F(NvmeService, HealthChangesReachTheRmcWithinOnePoll) {
    start();
    size_t mark = events().size();
    change(
        "0 nvme vmhba4 smart \"Read Only Mode\" true\n"
        "0 nvme vmhba5 smart Temperature Warning true\n");
    ASSERT_TRUE(waitFor([&] { return raisedSince(mark).size() >= 4; }, kPollBound));
    std::vector<Event> all = events();
    std::vector<std::string> raised = raisedSince(mark);
    // The controller event comes first, then the drive's.
    EXPECT_THAT(raised, ::testing::UnorderedElementsAre(
                            "837 " + std::string(kSamsung), "538 " + std::string(kSamsung),
                            "836 " + std::string(kIntel), "539 " + std::string(kIntel)));
    for (size_t i = mark; i < all.size(); ++i) {
        EXPECT_EQ(all[i].location.size(), 16u);
        EXPECT_EQ(all[i].type, all[i].id >= 835 ? "Controller" : "Drive");
        if (all[i].serial == kSamsung) {
            EXPECT_EQ(all[i].info,
                      ", [SMART Info : 0x8, PercentageUsed : 3, PowerOnHours : 18991]");
        } else {
            EXPECT_EQ(all[i].info,
                      ", [SMART Info : 0x2, PercentageUsed : 12, PowerOnHours : 40001]");
        }
    }
    EXPECT_LT(std::find(raised.begin(), raised.end(), "837 " + std::string(kSamsung)),
              std::find(raised.begin(), raised.end(), "538 " + std::string(kSamsung)));
    Json::Value document = pushed();
    EXPECT_EQ(status(document["Drives"], kSamsung), "Failed/Critical");
    EXPECT_EQ(status(document["StorageControllers"], kSamsung), "Failed/Critical");
    EXPECT_EQ(status(document["Drives"], kIntel), "Degraded/Warning");

    // Critical to Warning raises nothing; back to healthy raises 835 and 540.
    mark = events().size();
    change(
        "0 nvme vmhba4 smart \"Read Only Mode\" false\n"
        "0 nvme vmhba4 smart \"Temperature Warning\" true\n"
        "0 nvme vmhba5 smart \"Temperature Warning\" false\n");
    EXPECT_TRUE(awaitRaised(mark, {"835 " + std::string(kIntel), "540 " + std::string(kIntel)}));
    EXPECT_TRUE(waitFor([&] { return status(pushed()["Drives"], kSamsung) == "Degraded/Warning"; },
                        kPollBound));
    EXPECT_EQ(events().back().info, "");

    // Warning back to OK, and a drive pulled: it leaves the inventory without an event and
    // without being read as healthy.
    mark = events().size();
    change(
        "0 nvme vmhba4 smart \"Temperature Warning\" false\n"
        "0 nvme vmhba5 remove\n");
    EXPECT_TRUE(
        awaitRaised(mark, {"835 " + std::string(kSamsung), "540 " + std::string(kSamsung)}));
    EXPECT_TRUE(
        waitFor([&] { return status(pushed()["Drives"], kIntel) == "absent"; }, 2 * kPollBound));
    EXPECT_EQ(pushed()["StorageControllers"].size(), 1u);

    change("0 nvme vmhba5 insert\n");
    EXPECT_TRUE(waitFor([&] { return status(pushed()["Drives"], kIntel) == "Running/OK"; },
                        2 * kPollBound));
    EXPECT_EQ(raisedSince(mark).size(), 2u) << "a removal and a return raise nothing";
}

// A drive the RMC could not place raises nothing, yet the inventory shows its new health.
TEST_F(NvmeService, DriveWithoutALocationRaisesNoEventButShowsItsHealth) {
    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    start();
    EXPECT_EQ(pushed()["Drives"][0]["Oem"]["PhysicalLocation"], "FFFFFFFFFFFFFFFF");
    const size_t mark = events().size();
    change("0 nvme vmhba4 smart \"Read Only Mode\" true\n");
    EXPECT_TRUE(waitFor([&] { return status(pushed()["Drives"], kSamsung) == "Failed/Critical"; },
                        kPollBound));
    EXPECT_TRUE(raisedSince(mark).empty());
    unsetenv("ORB_SIM_PHYSLOC_ENCODE_RESULT");
}

// An esxcli that never answers holds up neither the end of a build nor the end of a poll.
TEST_F(NvmeService, StopReturnsWithinTwoSecondsWhileEsxcliHangs) {
    for (const bool inPoll : {false, true}) {
        SCOPED_TRACE(inPoll ? "during a poll" : "during a build");
        orbtest::LogMark mark;
        std::remove(orbtest::hungToolMarker("esxcli").c_str());
        if (inPoll) {
            ASSERT_TRUE(orbJobManager::startResourceManagers());
            ASSERT_TRUE(waitFor([&] {
                return mark.debugSince().find("Printing disk instance 1") != std::string::npos;
            }));
        }
        orbtest::hangTool("esxcli", "smart get");
        if (!inPoll) {
            ASSERT_TRUE(orbJobManager::startResourceManagers());
        }
        ASSERT_TRUE(
            waitFor([] { return !orbtest::readFile(orbtest::hungToolMarker("esxcli")).empty(); },
                    kPollBound));
        EXPECT_EQ(mark.debugSince().find("Polling devices.") != std::string::npos, inPoll);
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
        const pid_t child = std::stoi(orbtest::readFile(orbtest::hungToolChild("esxcli")));
        EXPECT_TRUE(waitFor([&] { return orbtest::processGone(child); }, 2s));
        unlink(orbtest::rootPath("/hung-bin/esxcli").c_str());
    }
}

}  // namespace
