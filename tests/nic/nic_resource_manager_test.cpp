// The network-port service on the default host as the RMC sees it: the job manager runs the
// NIC manager, the aggregator pushes, and the ports change under it as a scenario changes them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "core/job_manager.h"
#include "nic/nic_port_listing.h"
#include "nic/nic_resource_manager.h"
#include "report/inventory_aggregator.h"
#include "sim/scenario/scenario_player.h"
#include "support/document_schemas.h"
#include "support/hung_tool.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["EthernetDevices"]})");

using namespace std::chrono_literals;
using orbtest::parseJson;
using orbtest::waitFor;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const char* const kListing = "/bin/localcli.d/network/nic/list";
const char* const kHeader =
    "Name    PCI Device    Driver   Admin Status  Link Status  Speed  Duplex  MAC Address"
    "         MTU  Description\n"
    "------  ------------  -------  ------------  -----------  -----  ------  -----------------"
    "  ----  -----------\n";
const char* const kPort0 =
    "vmnic0  0000:18:00.0  bnxtnet  Up            Up           25000  Full    00:0a:f7:9c:41:20"
    "  1500  Broadcom   BCM57414\n";

class NicService : public ::testing::Test {
  protected:
    void TearDown() override {
        player.stop();
        orbJsonAggregator::stoporbJsonAggregator();
        EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
        EXPECT_EQ(orbtest::schemaViolations(*rmc.get()), "");
    }

    std::vector<Json::Value> events() const { return rmc.events(); }
    // "vmnic0=Online/OK ..." of the manager's current inventory.
    static std::set<std::string> ports() {
        std::vector<Json::Value> inventory;
        NICResourceManager::getInstance()->getInventoryJsonObject(inventory);
        std::set<std::string> names;
        for (const Json::Value& port : inventory) {
            names.insert(port["Oem"]["DeviceName"].asString() + "=" +
                         port["Status"]["State"].asString() + "/" +
                         port["Status"]["Health"].asString());
        }
        return names;
    }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
};

// The first build is only news for the inventory; a link lost while the port stays up is
// seen by the link check that follows the next build, and reaches the RMC as 1384.
TEST_F(NicService, LinkLossReachesTheRmcWithinOneLinkCheck) {
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    orbJsonAggregator::sendInventory(false);
    ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") == 1; }));
    Json::Value pushed;
    for (const orbsim::RMCCommand& command : rmc->commands()) {
        if (command.command == "WriteInventory") {
            pushed = parseJson(command.payload)["HostDataCollection"]["EthernetDevices"];
        }
    }
    ASSERT_EQ(pushed.size(), 3u);
    EXPECT_EQ(pushed[1]["Oem"]["DeviceName"], "vmnic1");
    EXPECT_EQ(pushed[1]["Status"]["State"], "Linkdown");
    EXPECT_TRUE(events().empty()) << "vmnic1 was down before the service started";

    orbtest::applyScenario(player, "0 nic vmnic0 link Down\n");
    ASSERT_TRUE(waitFor([&] { return !events().empty(); }, 13s));
    const Json::Value event = events().front();
    EXPECT_EQ(event["ID"], 1384);
    EXPECT_EQ(event["VariableData"]["Type"], "EthernetDevice");
    EXPECT_EQ(event["VariableData"]["Data"]["Oem"]["DeviceName"], "vmnic0");
    EXPECT_FALSE(event["VariableData"]["Data"].isMember("Status"));
    EXPECT_EQ(event["VariableData"]["EventInfo"],
              "The connectivity between the Ethernet port and the switch has been lost.");
    EXPECT_EQ(events().size(), 1u);
}

// A listing that fails, or that cannot be read as a whole, keeps the previous build's ports;
// rows whose name or address could reach the shell are dropped; the port list is written
// afresh and removed every time.
TEST_F(NicService, OnlyASoundListingReplacesThePorts) {
    NICResourceManager* manager = NICResourceManager::getInstance();
    const std::set<std::string> all = {"vmnic0=Online/OK", "vmnic1=Linkdown/OK",
                                       "vmnic2=Online/OK"};
    const std::string listing = orbtest::rootPath(kListing);
    const std::string original = orbtest::readFile(listing);
    const std::string portList = orbtest::rootPath("/opt/vex/orb/data/orb_niclist.txt");
    const std::string marker = orbtest::rootPath("/scratch/touched");
    const std::string row = "  0000:18:00.1  bnxtnet  Up  Up  0  Half  m  1500  d\n";
    struct Case {
        const char* name;
        std::string listing;  // empty: the tool fails
        std::string stale;    // left in the port list file before the build
        std::set<std::string> expected;
        const char* logged;
    };
    const Case cases[] = {
        {"StaleRows", original, std::string(kHeader) + "vmnic7" + row, all, nullptr},
        {"ListingFails", "", "", all, "Error occurred in gathering network interface information."},
        {"NoHeader", "garbage\n", "", all, "Unable to find NIC information."},
        {"NineColumns", std::string(kHeader) + kPort0 + "vmnic1  0000:18:00.1  bnxtnet  Up\n", "",
         all, "An error occurred while trying to fetch NIC information"},
        {"UnsafeNames",
         std::string(kHeader) + kPort0 + "vm;nic9" + row + "$(touch${IFS}" + marker + ")" + row +
             "vmnic8  0000:18:00.1;touch${IFS}" + marker + "  x  Up  Up  0  Half  m  1500  d\n",
         "",
         {"vmnic0=Online/OK"},
         "port skipped"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        orbtest::LogMark mark;
        if (!c.stale.empty()) {
            orbtest::writeFile(portList, c.stale);
        }
        if (c.listing.empty()) {
            std::remove(listing.c_str());
        } else {
            orbtest::writeFile(listing, c.listing);
        }
        manager->cacheBuild();
        EXPECT_EQ(ports(), c.expected);
        EXPECT_TRUE(orbtest::readFile(portList).empty()) << "the port list is left behind";
        if (c.logged != nullptr) {
            EXPECT_THAT(mark.mainSince(), HasSubstr(c.logged));
        }
        // Back to the host's own listing, whose build brings every port back unchanged.
        orbtest::writeFile(listing, original);
        manager->cacheBuild();
        ASSERT_EQ(ports(), all);
        EXPECT_THAT(mark.debugSince(), Not(HasSubstr("Raising event")));
    }
    EXPECT_TRUE(orbtest::readFile(marker).empty());

    // The description keeps its words, joined by single blanks.
    std::vector<std::vector<std::string>> rows;
    std::vector<size_t> refused;
    ASSERT_EQ(nic_parse_port_listing({"Name", "--", kPort0}, rows, refused), NIC_LISTING_OK);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][9], "Broadcom BCM57414");
}

// A localcli that never answers holds up neither the stop nor the end of its command.
TEST_F(NicService, StopReturnsWithinTwoSecondsWhileTheListingHangs) {
    orbtest::hangTool("localcli", "network nic list");
    ASSERT_TRUE(orbJobManager::startResourceManagers());
    ASSERT_TRUE(
        waitFor([] { return !orbtest::readFile(orbtest::hungToolMarker("localcli")).empty(); }));
    EXPECT_LT(orbtest::timeOf(orbJobManager::stopResourceManagers), 2s);
    const int child = std::stoi(orbtest::readFile(orbtest::hungToolChild("localcli")));
    EXPECT_TRUE(waitFor([&] { return orbtest::processGone(child); }, 2s));
}

}  // namespace
