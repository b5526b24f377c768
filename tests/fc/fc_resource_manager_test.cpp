// The Fibre Channel service on the default host as the RMC sees it: the job manager runs the FC
// manager over the fake vendor libraries (loaded with dlopen), the aggregator pushes, and the
// ports change under it as a scenario changes them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/job_manager.h"
#include "fc/fc_resource_manager.h"
#include "host/system_interface_factory.h"
#include "report/inventory_aggregator.h"
#include "sim/scenario/scenario_player.h"
#include "support/hung_tool.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["FibreChannelDevices"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;

namespace {

const char* const kHbaConf = "/etc/config/vex/orb/hba.conf";
const char* const kPort0 = "10:00:00:10:9b:7e:3c:41";
const char* const kPort1 = "10:00:00:10:9b:7e:3c:42";

std::string hostFile(const std::string& fixedPath) {
    return orbtest::readFile(orbtest::rootPath(fixedPath));
}

class FcService : public ::testing::Test {
  protected:
    void SetUp() override {
        // The PCI IDs of the adapter come from the hardware list the host manager writes.
        ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    }
    void TearDown() override {
        player.stop();
        orbJsonAggregator::stoporbJsonAggregator();
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
    }

    std::vector<Json::Value> events() const { return rmc.events(); }
    static std::vector<Json::Value> adapters() {
        std::vector<Json::Value> inventory;
        FCResourceManager::getInstance()->getInventoryJsonObject(inventory);
        return inventory;
    }
    // Runs the manager until its first build is over.
    static void runOnce() {
        orbtest::LogMark mark;
        ASSERT_TRUE(orbJobManager::startResourceManagers());
        ASSERT_TRUE(waitFor([&] {
            const std::string log = mark.mainSince() + mark.debugSince();
            std::vector<Json::Value> ignored;
            return (log.find("FC instances found!!") != std::string::npos ||
                    log.find("Could not load FC HBA vendor library") != std::string::npos) &&
                   FCResourceManager::getInstance()->getInventoryJsonObject(ignored) == 0;
        }));
    }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
};

// The first build is only news for the inventory. The second port of the adapter losing its
// link is seen by the port check that follows the build and reaches the RMC as 386, its return
// as 1391; a stop frees the vendor library.
TEST_F(FcService, PortLinkLossAndReturnReachTheRmc) {
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    Json::Value pushed;
    for (const orbsim::RMCCommand& command : rmc->commands()) {
        if (command.command == "WriteInventory") {
            pushed = parseJson(command.payload)["HostDataCollection"]["FibreChannelDevices"];
        }
    }
    ASSERT_EQ(pushed.size(), 1u);
    const Json::Value adapter = pushed[0];
    EXPECT_EQ(adapter["Model"], "LPe32002-M2");
    EXPECT_EQ(adapter["SerialNumber"], "FC84213377");
    EXPECT_EQ(adapter["FirmwareVersion"], "12.8.542.21");
    EXPECT_EQ(adapter["WWNN"], "20:00:00:10:9b:7e:3c:41");
    EXPECT_EQ(adapter["WWPN"], kPort1);
    EXPECT_THAT(adapter["PartNumber"].asString(), HasSubstr("LPE32002"));
    EXPECT_THAT(adapter["Oem"]["Description"].asString(), HasSubstr("PCI 0000:86:00.0"));
    EXPECT_NE(adapter["Oem"]["PhysicalLocation"], "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(adapter["Status"]["State"], "Online");
    EXPECT_EQ(adapter["Status"]["Health"], "OK");
    EXPECT_TRUE(events().empty());

    orbtest::applyScenario(player, std::string("0 fc ") + kPort1 + " state Linkdown\n");
    ASSERT_TRUE(waitFor([&] { return !events().empty(); }, 15s));
    Json::Value event = events().back();
    EXPECT_EQ(event["ID"], 386);
    EXPECT_EQ(event["VariableData"]["Type"], "FibreChannelDevice");
    EXPECT_EQ(event["VariableData"]["Data"]["WWNN"], "20:00:00:10:9b:7e:3c:41");
    EXPECT_FALSE(event["VariableData"]["Data"].isMember("Status"));
    EXPECT_EQ(event["VariableData"]["EventInfo"],
              "Fibre channel device port has changed to a state of link down. Check the FC "
              "cabling to this port.");

    orbtest::applyScenario(player, std::string("0 fc ") + kPort1 + " state Online\n");
    ASSERT_TRUE(waitFor([&] { return events().size() == 2; }, 15s));
    EXPECT_EQ(events().back()["ID"], 1391);
    EXPECT_EQ(events().back()["VariableData"]["EventInfo"], "");

    EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
    const std::string calls = hostFile("/var/lib/sim-hba/libhbaapi-emulex.calls");
    EXPECT_EQ(orbtest::occurrences(calls, "FreeLibrary"), 1u) << calls;
    EXPECT_EQ(orbtest::occurrences(calls, "OpenAdapter"),
              orbtest::occurrences(calls, "CloseAdapter"));
}

// Every state change of the first port, while the last port stays online, is news: the worst
// port decides the adapter's state. States the event table does not name raise nothing.
TEST_F(FcService, TheWorstPortsStateChangesRaiseTheirEvents) {
    FCResourceManager* manager = FCResourceManager::getInstance();
    ASSERT_EQ(manager->cacheBuild(), 0);
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    struct Case {
        const char* state;
        const char* shown;  // the inventory's state and health
        int event;          // 0: none
    };
    const Case cases[] = {
        {"Linkdown", "Linkdown/Critical", 386}, {"Online", "Online/OK", 1391},
        {"Offline", "Offline/Warning", 385},    {"Online", "Online/OK", 384},
        {"Error", "Error/Critical", 388},       {"DiagnosticMode", "Diagnostic mode/Warning", 0},
        {"Loopback", "Loopback/Warning", 0},    {"Unknown", "Unknown/Unknown", 0},
        {"Bypassed", "Bypassed/Warning", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.state);
        const size_t before = events().size();
        orbtest::applyScenario(player, std::string("0 fc ") + kPort0 + " state " + c.state + "\n");
        ASSERT_EQ(manager->cacheBuild(), 0);
        const Json::Value adapter = adapters().at(0);
        EXPECT_EQ(
            adapter["Status"]["State"].asString() + "/" + adapter["Status"]["Health"].asString(),
            c.shown);
        if (c.event != 0) {
            ASSERT_TRUE(waitFor([&] { return events().size() == before + 1; }, 5s));
            EXPECT_EQ(events().back()["ID"], c.event);
        } else {
            std::this_thread::sleep_for(200ms);
            EXPECT_EQ(events().size(), before);
        }
    }
}

// Vendor libraries that are missing, broken or lying leave the service going with what could
// be read, and nothing is read past a vendor's buffer (the sanitizers watch the copies).
TEST_F(FcService, BrokenVendorLibrariesLeaveTheServiceGoing) {
    const std::string library = "/usr/lib/vmware/hba/";
    const std::string adapters2 =
        "adapter A0\nmodel LPe-A0\nserial S0\nnode 20:00:00:00:00:00:00:a0\n"
        "port 10:00:00:00:00:00:00:a0 Online\nport 10:00:00:00:00:00:00:a1 Error\n";
    struct Case {
        const char* name;
        std::string conf;  // empty: no hba.conf
        std::string described;
        size_t adapters;
        const char* state;  // of the first adapter
        const char* logged;
    };
    const Case cases[] = {
        {"NoConfiguration", "", "", 0, nullptr, "Could not load FC HBA vendor library"},
        {"NotASharedObject", "Text " + library + "libhbaapi-text.so\n", "", 0, nullptr,
         "0 FC instances found!!"},
        {"NoRegistration", "U " + library + "libhbaapi-unregistered.so\n", adapters2, 0, nullptr,
         "0 FC instances found!!"},
        {"NoAttributes", "W " + library + "libhbaapi-without-attributes.so\n", adapters2, 1,
         "Unknown", "HBA_GetAdapterAttributes() Failed."},
        {"GarbageCounts", "S " + library + "libhbaapi-second.so\n",
         "claimed-adapters 4000000000\n" + adapters2 + "claimed-ports 4000000000\n", 1, "Error",
         "only the first 32 are read"},
        {"UnterminatedNames", "S " + library + "libhbaapi-second.so\n",
         "unterminated-names\n" + adapters2, 1, "Error", "1 FC instances found!!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        orbtest::LogMark mark;
        if (c.conf.empty()) {
            std::remove(orbtest::rootPath(kHbaConf).c_str());
        } else {
            ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath(kHbaConf), c.conf));
        }
        for (const char* stem :
             {"libhbaapi-unregistered", "libhbaapi-without-attributes", "libhbaapi-second"}) {
            ASSERT_TRUE(orbtest::writeFile(
                orbtest::rootPath(std::string("/var/lib/sim-hba/") + stem + ".adapters"),
                c.described));
        }
        runOnce();
        EXPECT_TRUE(FCResourceManager::getInstance()->isInventoryReady(0));
        const std::vector<Json::Value> inventory = adapters();
        ASSERT_EQ(inventory.size(), c.adapters);
        if (c.adapters > 0) {
            EXPECT_EQ(inventory[0]["Status"]["State"], c.state);
            // No PCI address is known for these adapters; one without attributes has not even
            // a node name to look one up by.
            EXPECT_EQ(inventory[0]["Oem"]["PhysicalLocation"],
                      std::string(c.state) == "Unknown" ? "Not Available" : "FFFFFFFFFFFFFFFF");
            EXPECT_EQ(inventory[0]["Oem"]["Description"], "");
        }
        EXPECT_THAT(mark.mainSince() + mark.debugSince(), HasSubstr(c.logged));
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
    }
}

// A localcli that never answers holds up neither the stop nor the end of its command.
TEST_F(FcService, StopReturnsWithinTwoSecondsWhileTheFcListingHangs) {
    orbtest::hangTool("localcli", "storage san fc list");
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(
        waitFor([] { return !orbtest::readFile(orbtest::hungToolMarker("localcli")).empty(); }));
    EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
    const int child = std::stoi(orbtest::readFile(orbtest::hungToolChild("localcli")));
    EXPECT_TRUE(waitFor([&] { return orbtest::processGone(child); }, 2s));
}

}  // namespace
