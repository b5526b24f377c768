// The whole service on a simulated host, as the ESXi host process runs it: every resource
// manager, the aggregator, the door bell and the local command server started in the host's
// order, a scenario that fails and recovers one device of every family, orbcli asking for a
// test event and forwarding one, then everything stopped in order. What is checked is what the
// RMC kept: every inventory section, the events of each family in the order they were raised,
// nothing after the stop, and the start-up file's record of the stop.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/job_manager.h"
#include "report/doorbell_service.h"
#include "report/inventory_aggregator.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/scenario_player.h"
#include "support/document_schemas.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

namespace orbtest {

// A family's device the scenario changes, known by a text of its event's record (a serial
// number, a port name, a WWN), and the events it must raise, in order.
struct FamilyScript {
    std::string family;
    std::vector<std::string> markers;
    std::vector<int> expected;
};

struct HostScript {
    std::string failLines;     // scenario lines that break one device of every family
    std::string recoverLines;  // and those that mend them
    std::vector<FamilyScript> families;
};

// Every section the inventory has on a simulated host ("StorageEnclosures" stays out: no
// controller of theirs reports an enclosure).
inline const std::vector<std::string>& inventorySections() {
    static const std::vector<std::string> sections = {
        "Oem", "FibreChannelDevices", "StorageControllers", "Drives", "Volumes", "EthernetDevices"};
    return sections;
}

class WholeService : public ::testing::Test {
  protected:
    void SetUp() override { orbsim::installSimulatedDrives(); }
    void TearDown() override {
        player.stop();
        stopAll();
        orbsim::removeSimulatedDrives();
    }

    void startAll() {
        ASSERT_TRUE(orbJobManager::startResourceManagers());
        orbJsonAggregator::sendInventory(false);
        orbIPMIDBService::startorbIPMIDBService();
        ASSERT_TRUE(orbJobManager::startORBServer());
    }
    void stopAll() {
        orbJobManager::stopResourceManagers();
        orbJsonAggregator::stoporbJsonAggregator();
        orbIPMIDBService::stoporbIPMIDBService();
        orbJobManager::stopORBServer();
    }

    std::vector<Json::Value> events() const { return rmc.events(); }

    // The IDs each family raised, in order; events of devices the script does not touch (the
    // drives unhealthy from the start, say) are left out. Host events carry no record, and the
    // command-line client's carry Source "ORB-CLI".
    static std::map<std::string, std::vector<int>> byFamily(const std::vector<Json::Value>& sent,
                                                            const HostScript& script) {
        std::map<std::string, std::vector<int>> raised;
        for (const Json::Value& event : sent) {
            const int id = event["ID"].asInt();
            if (event["Source"] == "ORB-CLI") {
                raised["cli"].push_back(id);
                continue;
            }
            if (!event.isMember("VariableData")) {
                raised["host"].push_back(id);
                continue;
            }
            const std::string record = event["VariableData"].toStyledString();
            for (const FamilyScript& family : script.families) {
                bool mine = false;
                for (const std::string& marker : family.markers) {
                    mine = mine || record.find("\"" + marker + "\"") != std::string::npos;
                }
                if (mine) {
                    raised[family.family].push_back(id);
                    break;
                }
            }
        }
        return raised;
    }

    bool allRaised(const HostScript& script, bool recovered) const {
        const std::map<std::string, std::vector<int>> raised = byFamily(events(), script);
        for (const FamilyScript& family : script.families) {
            const auto found = raised.find(family.family);
            const size_t want = recovered ? family.expected.size() : family.expected.size() / 2;
            if (found == raised.end() ? want > 0 : found->second.size() < want) {
                return false;
            }
        }
        return true;
    }

    using Outcome = orbtest::OrbcliOutcome;
    static Outcome orbcli(const std::string& arguments, const std::string& input = "") {
        return orbtest::orbcli(arguments, input);
    }

    // The whole run; each family's expected events are its failures then its recoveries,
    // half and half.
    void run(const HostScript& script) {
        using namespace std::chrono_literals;
        const long begun = static_cast<long>(std::time(nullptr));
        startAll();
        ASSERT_TRUE(waitFor([&] { return rmc.count("WriteInventory") >= 1; }, 40s))
            << "no first inventory";

        applyScenario(player, script.failLines);
        EXPECT_TRUE(waitFor([&] { return allRaised(script, false); }, 30s));
        const Outcome test = orbcli("test-event 708");
        EXPECT_EQ(test.status, 0) << test.output;
        const Outcome forward =
            orbcli("forward -", R"({"ID": 1442, "Message": "forwarded by hand"})");
        EXPECT_EQ(forward.status, 0) << forward.output;
        applyScenario(player, script.recoverLines);
        EXPECT_TRUE(waitFor([&] { return allRaised(script, true); }, 30s));

        // The inventory as it is now.
        const Json::Value inventory = rmc.pushedInventory();

        player.stop();
        const std::chrono::steady_clock::duration stopping = timeOf([&] { stopAll(); });
        EXPECT_LT(stopping, 2s * 4) << "each stop has 2 s";
        const size_t atStop = rmc->commands().size();
        std::this_thread::sleep_for(1500ms);
        EXPECT_EQ(rmc->commands().size(), atStop) << "the RMC heard from a stopped service";

        for (const std::string& section : inventorySections()) {
            EXPECT_TRUE(inventory.isMember(section)) << section << " is missing";
        }
        std::map<std::string, std::vector<int>> expected{{"cli", {708, 1442}}};
        for (const FamilyScript& family : script.families) {
            expected[family.family] = family.expected;
        }
        EXPECT_EQ(byFamily(events(), script), expected);
        for (const Json::Value& event : events()) {
            if (event["ID"] == 708) {
                EXPECT_EQ(event["VariableData"]["OperationalResourceType"].size(), 5u)
                    << "every manager was running: " << event.toStyledString();
            }
        }
        EXPECT_EQ(schemaViolations(*rmc.get()), "");
        EXPECT_THAT(rmc->protocolErrors(), ::testing::IsEmpty());

        // This run's start and its orderly stop, with no start left open.
        const std::string startup = readFile(rootPath("/var/tmp/vexORBStartup.txt"));
        long lastStart = 0, lastStop = 0, currentStart = -1;
        EXPECT_EQ(std::sscanf(startup.c_str(), "last_start %ld last_stop %ld current_start %ld",
                              &lastStart, &lastStop, &currentStart),
                  3)
            << startup;
        EXPECT_GE(lastStart, begun) << startup;
        EXPECT_GE(lastStop, lastStart) << startup;
        EXPECT_EQ(currentStart, 0) << startup;
    }

    InstalledRMC rmc;
    orbsim::ScenarioPlayer player{root(), nullptr};
};

}  // namespace orbtest
