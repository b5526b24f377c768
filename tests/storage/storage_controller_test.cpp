// The generic storage controller's own status: its ports' states (with the minute a port may
// spend recovering), the controller status the nine port rules derive, and the controller
// events 397/398 as the RMC receives them, through a controller's whole life.
#include "storage/storage_controller.h"

#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "host/physloc_factory.h"
#include "report/inventory_aggregator.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["None"]})");

namespace {

const char* const kPci = "0000:3b:00.0";
const char* const kPort = "/sys/class/scsi_host/host8";

// A SmartRAID board on slot 1 whose port count a test may fix, with its steps in reach.
class TestController : public orbStorageController {
  public:
    explicit TestController(int maxPorts = 0, bool firstPass = true)
        : orbStorageController(0x028F9005, 0x13809005, kPci, 4, firstPass), maxPorts(maxPorts) {}
    using orbStorageController::computeControllerStatus;
    using orbStorageController::currentInfo;
    using orbStorageController::discoverControllerPortStatus;
    using orbStorageController::failureEventSent;
    using orbStorageController::generateEventOnStatusChange;
    using orbStorageController::previousInfo;
    int maxSupportedControllerPorts() override { return maxPorts; }
    int maxPorts;
};

struct Release {
    void operator()(orbRemoveLock* object) const { object->releaseReference(); }
};
using Owned = std::unique_ptr<TestController, Release>;

long monotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec);
}

void writePortState(const std::string& text) {
    ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath(std::string(kPort) + "/state"), text + "\n"));
}

class StorageController : public ::testing::Test {
  protected:
    void SetUp() override {
        // Storage events reach the RMC once the first inventory has gone out.
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(orbtest::waitFor([] { return orbJsonAggregator::isInventorySent(); }));
    }
    void TearDown() override { orbJsonAggregator::stoporbJsonAggregator(); }

    // The events the RMC took: id and event text.
    std::vector<std::pair<int, std::string>> events() const {
        std::vector<std::pair<int, std::string>> seen;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            if (command.command == "MPEventGen") {
                Json::Value document = orbtest::parseJson(command.payload);
                EXPECT_EQ(document["PhysicalLocation"].asString(), slotLocation);
                seen.emplace_back(document["ID"].asInt(),
                                  document["VariableData"]["EventInfo"].asString());
            }
        }
        return seen;
    }
    bool eventCount(size_t n) const {
        return orbtest::waitFor([&] { return events().size() >= n; }, std::chrono::seconds(10));
    }

    orbtest::InstalledRMC rmc;
    const std::string slotLocation =
        orbPhysLocFactory::getPhysLocInterface()->getPhysLocForIOSlot(kPci);
};

TEST_F(StorageController, PortStatusFollowsItsStateAndARecoveringPortGetsAMinute) {
    const long now = monotonicNow();
    const struct {
        const char* text;  // nullptr: the state file is gone
        long since;        // when the port entered recovery, 0: not recovering
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        long timestamp;  // -1: now
    } cases[] = {
        {"Running", now - 100, ORB_STATE_RUNNING, ORB_HEALTH_OK, 0},
        {"created", 0, ORB_STATE_CREATED, ORB_HEALTH_OK, 0},
        {"Recovery", 0, ORB_STATE_RUNNING, ORB_HEALTH_OK, -1},
        {"RECOVERY", now - 59, ORB_STATE_RUNNING, ORB_HEALTH_OK, now - 59},
        {"Recovery", now - 60, ORB_STATE_RECOVERY, ORB_HEALTH_WARNING, now - 60},
        {"Offline", now - 100, ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL, 0},
        {"Cancel/Recovery", 0, ORB_STATE_CANCEL_RECOVERY, ORB_HEALTH_CRITICAL, 0},
        {"Blocked", 0, ORB_STATE_UNKNOWN, ORB_HEALTH_CRITICAL, 0},
        {nullptr, now - 10, ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL, now - 10},
    };
    Owned controller(new TestController());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text ? c.text : "no state file");
        if (c.text != nullptr) {
            writePortState(c.text);
        } else {
            std::remove(orbtest::rootPath(std::string(kPort) + "/state").c_str());
        }
        orbStorageControllerPortInfo port;
        port.setOSInstanceName(kPort);
        port.setLastRecoveryTimestamp(c.since);
        controller->discoverControllerPortStatus(port);
        EXPECT_EQ(port.getState(), c.state);
        EXPECT_EQ(port.getHealth(), c.health);
        if (c.timestamp == -1) {
            EXPECT_NEAR(port.getLastRecoveryTimestamp(), monotonicNow(), 2);
        } else {
            EXPECT_EQ(port.getLastRecoveryTimestamp(), c.timestamp);
        }
    }
}

TEST_F(StorageController, ControllerStatusFollowsTheFirstMatchingPortRule) {
    const ORB_RESOURCE_STATE R = ORB_STATE_RUNNING, C = ORB_STATE_CREATED, V = ORB_STATE_RECOVERY,
                             O = ORB_STATE_OFFLINE, X = ORB_STATE_ERROR;
    const std::string offline1 =
        "The storage controller port has gone offline or will be removed from the system, or "
        "has been in recovery state for >= 60 seconds.";
    auto offlineN = [](int of, int n) {
        return "At least " + std::to_string(of) + " of " + std::to_string(n) +
               " ports of the storage controller have gone offline or will be removed from the "
               "system, or have been in recovery state for >= 60 seconds.";
    };
    const std::string online = "The storage controller port(s) are now online.";
    const struct {
        int maxPorts;
        std::vector<ORB_RESOURCE_STATE> ports;
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        std::string text;
    } cases[] = {
        {0, {}, R, ORB_HEALTH_OK, ""},                                           // no ports at all
        {0, {R, C}, R, ORB_HEALTH_OK, online},                                   // rule 1
        {0, {R, R, V, R}, ORB_STATE_RECOVERING, ORB_HEALTH_WARNING, ""},         // rule 2
        {0, {R, V}, ORB_STATE_RECOVERING, ORB_HEALTH_CRITICAL, offlineN(1, 2)},  // rule 3
        {0, {R, R, O, R}, ORB_STATE_DEGRADED, ORB_HEALTH_WARNING, ""},           // rule 4
        {2, {R}, ORB_STATE_DEGRADED, ORB_HEALTH_CRITICAL, offlineN(1, 2)},       // rule 5, absent
        {0, {X, X}, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL, offlineN(1, 2)},      // rule 6
        {0, {O}, O, ORB_HEALTH_CRITICAL, offline1},                              // rule 7
        {3, {X, O}, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL, offlineN(2, 3)},      // rule 8
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "case with " << c.ports.size() << " ports, max "
                                          << c.maxPorts << ", state " << int(c.state));
        Owned controller(new TestController(c.maxPorts));
        controller->currentInfo.setEventInfoString("stale");
        for (ORB_RESOURCE_STATE state : c.ports) {
            orbStorageControllerPortInfo port;
            port.setState(state);
            controller->currentInfo.addControllerPort(port);
        }
        controller->computeControllerStatus();
        EXPECT_EQ(controller->currentInfo.getState(), c.state);
        EXPECT_EQ(controller->currentInfo.getHealth(), c.health);
        EXPECT_EQ(controller->currentInfo.getEventInfoString(), c.text);
    }
}

// 397 when the controller is healthy again, 398 when it fails, each once per episode; a
// Warning that passes raises 397 only when a failure had been reported or none ever was.
TEST_F(StorageController, HealthChangesRaiseControllerEventsOncePerEpisode) {
    const ORB_RESOURCE_HEALTH OK = ORB_HEALTH_OK, W = ORB_HEALTH_WARNING, CR = ORB_HEALTH_CRITICAL;
    const struct {
        ORB_RESOURCE_HEALTH before, now;
        int flag, event;
    } cases[] = {
        {W, OK, -1, 397}, {OK, CR, 0, 398}, {CR, OK, 1, 397}, {W, CR, 1, 0},
        {W, CR, 0, 398},  {W, OK, 0, 0},    {OK, W, 0, 0},    {OK, OK, 1, 0},
    };
    Owned controller(new TestController());
    std::vector<std::pair<int, std::string>> expected;
    for (const auto& c : cases) {
        controller->failureEventSent = c.flag;
        controller->previousInfo.setState(ORB_STATE_RUNNING);
        controller->previousInfo.setHealth(c.before);
        controller->previousInfo.setPhysicalLocation(slotLocation);
        controller->currentInfo.setHealth(c.now);
        controller->currentInfo.setPhysicalLocation(slotLocation);
        controller->currentInfo.setEventInfoString("case " + std::to_string(expected.size()));
        EXPECT_EQ(controller->generateEventOnStatusChange(), c.event != 0);
        if (c.event != 0) {
            expected.emplace_back(c.event, controller->currentInfo.getEventInfoString());
        }
    }
    // Nothing for a controller without a location, or on its first reading.
    controller->previousInfo.setHealth(ORB_HEALTH_CRITICAL);
    controller->currentInfo.setPhysicalLocation("FFFFFFFFFFFFFFFF");
    EXPECT_FALSE(controller->generateEventOnStatusChange());
    controller->currentInfo.setPhysicalLocation(slotLocation);
    controller->previousInfo.setState(ORB_STATE_UNKNOWN);
    EXPECT_FALSE(controller->generateEventOnStatusChange());
    ASSERT_TRUE(eventCount(expected.size()));
    EXPECT_EQ(events(), expected);
}

// A port stuck in recovery: the moment it entered is kept by polls and rebuilds alike, so the
// controller fails once the minute has passed, and recovers when the port runs again.
TEST_F(StorageController, APortRecoveringForAMinuteFailsTheControllerAcrossPollsAndRebuilds) {
    Owned controller(new TestController());
    controller->addPort(kPort);
    orbStorageControllerInfo info;
    controller->discoverInventory(info);
    ASSERT_EQ(info.getPhysicalLocation(), slotLocation);
    ASSERT_TRUE(controller->enableEvents());

    writePortState("Recovery");
    controller->poll();
    const long entered = controller->currentInfo.getControllerPort(0).getLastRecoveryTimestamp();
    EXPECT_NEAR(entered, monotonicNow(), 2) << "the poll dropped the recovery timestamp";
    controller->discoverInventory(info);
    EXPECT_EQ(info.getControllerPort(0).getLastRecoveryTimestamp(), entered);
    EXPECT_EQ(info.getHealth(), ORB_HEALTH_OK);

    // A minute later, as the rebuild sees it.
    orbStorageControllerPortInfo port = controller->currentInfo.getControllerPort(0);
    port.setLastRecoveryTimestamp(entered - 60);
    controller->currentInfo.setControllerPort(0, port);
    controller->discoverInventory(info);
    EXPECT_EQ(info.getState(), ORB_STATE_RECOVERING);
    EXPECT_EQ(info.getHealth(), ORB_HEALTH_CRITICAL);

    writePortState("Running");
    controller->poll();
    EXPECT_EQ(controller->currentInfo.getControllerPort(0).getLastRecoveryTimestamp(), 0);
    ASSERT_TRUE(eventCount(2));
    EXPECT_EQ(events()[0].first, 398);
    EXPECT_EQ(events()[0].second,
              "The storage controller port has gone offline or will be removed from the system, "
              "or has been in recovery state for >= 60 seconds.");
    EXPECT_EQ(events()[1], std::make_pair(397, std::string("The storage controller port(s) are "
                                                           "now online.")));
}

// A controller that arrives while the service runs is announced once, not at every rebuild.
TEST_F(StorageController, ANewControllerIsAnnouncedOnce) {
    Owned controller(new TestController(0, false));
    controller->addPort(kPort);
    orbStorageControllerInfo info;
    for (int build = 0; build < 3; ++build) {
        controller->discoverInventory(info);
        EXPECT_TRUE(controller->enableEvents());
    }
    EXPECT_FALSE(controller->getNewDevice());
    ASSERT_TRUE(eventCount(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(events().size(), 1u);
    EXPECT_EQ(events()[0].first, 397);
}

// Removal reports the controller failed once and drops the factory's reference once: a
// second removal must not take a reference that another holder still uses.
TEST_F(StorageController, RemovalReportsTheControllerGoneAndReleasesItOnce) {
    IorbStorageController* claimed = nullptr;
    ASSERT_TRUE(orbStorageController::claimDevice(0x028F9005, 0x08049005, kPci, true, &claimed));
    claimed->addPort(kPort);
    orbStorageControllerInfo info;
    claimed->discoverInventory(info);
    claimed->enableEvents();
    orbControllerReference<IorbStorageController> held(claimed);
    ASSERT_TRUE(held);
    claimed->processDeviceRemoval();
    claimed->processDeviceRemoval();
    EXPECT_TRUE(claimed->isRemovalInProgress());
    EXPECT_FALSE(claimed->acquireReference());
    EXPECT_FALSE(claimed->enableEvents());
    claimed->discoverInventory(info);
    EXPECT_EQ(info.getState(), ORB_STATE_OFFLINE);
    EXPECT_EQ(info.getModel(), "Adaptec SmartRAID 3154-8e Controller");
    ASSERT_TRUE(eventCount(1));
    EXPECT_EQ(events()[0].first, 398);
    held.reset();  // the last reference: the controller goes
}

}  // namespace
