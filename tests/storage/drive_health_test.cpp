// The drives behind a generic controller on the default host: how discovery describes and
// places them, the SAS and ATA health rules as the simulated drives' conditions drive them,
// the drive events 538/539/540 as the RMC receives them, and how each rediscovery is merged
// with the last one (drives gone, new, or replaced in their bay).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/physloc_factory.h"
#include "report/inventory_aggregator.h"
#include "sim/drives/simulated_drives.h"
#include "sim/scenario/scenario_player.h"
#include "storage/storage_controller.h"
#include "support/simulated_rmc_fixture.h"
#include "support/test_environment.h"

ORB_TEST_CONFIGURATION(R"({"EnableResources": ["None"]})");

using ::testing::HasSubstr;

namespace {

const char* const kPci = "0000:3b:00.0";  // the add-in board in slot 1, drives in bays 0-3

struct Release {
    void operator()(IorbStorageController* object) const { object->releaseReference(); }
};
using Controller = std::unique_ptr<IorbStorageController, Release>;

Controller claim(uint32_t chipset, uint32_t board, const char* pci, const std::vector<int>& hosts,
                 bool foundOnFirstPass = true) {
    IorbStorageController* claimed = nullptr;
    EXPECT_TRUE(orbStorageController::claimDevice(chipset, board, pci, foundOnFirstPass, &claimed));
    for (int host : hosts) {
        claimed->addPort("/sys/class/scsi_host/host" + std::to_string(host));
    }
    return Controller(claimed);
}

orbDiskInfo driveAt(IorbStorageController* controller, const std::string& address) {
    std::vector<orbDiskInfo> drives;
    controller->getPhysicalDrivesInventory(drives);
    for (const orbDiskInfo& drive : drives) {
        if (drive.getOSSCSILink() == address) {
            return drive;
        }
    }
    ADD_FAILURE() << "no drive at " << address;
    return orbDiskInfo();
}

std::string bay(int number) {
    return orbPhysLocFactory::getPhysLocInterface()->getPhysLocForChassisDriveSlot(kPci, number);
}

size_t openDescriptors() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

class DriveHealth : public ::testing::Test {
  protected:
    void SetUp() override {
        orbsim::installSimulatedDrives();
        orbJsonAggregator::sendInventory(false);
        ASSERT_TRUE(orbtest::waitFor([] { return orbJsonAggregator::isInventorySent(); }));
    }
    void TearDown() override {
        orbJsonAggregator::stoporbJsonAggregator();
        orbsim::removeSimulatedDrives();
    }

    // Applies scenario lines ("drive sg3 condition failing") to the host now; each change is
    // undone by undo().
    void change(const std::string& lines) {
        std::vector<orbsim::ScenarioAction> actions;
        orbtest::applyScenario(player, lines, &actions);
        for (const orbsim::ScenarioAction& action : actions) {
            if (action.verb == orbsim::ScenarioVerb::DriveSet) {
                undoLines.insert("0 restore /dev/" + action.target + "\n");
            } else if (action.verb == orbsim::ScenarioVerb::Remove) {
                undoLines.insert("0 restore " + action.target + "\n");
            }
        }
    }
    void undo() {
        std::string lines;
        for (const std::string& line : undoLines) {
            lines += line;
        }
        undoLines.clear();
        change(lines);
    }

    // The drive events the RMC took, as (id, bay location, serial number).
    std::vector<std::string> events() const {
        std::vector<std::string> seen;
        for (const orbsim::RMCCommand& command : rmc->commands()) {
            Json::Value document = orbtest::parseJson(command.payload);
            if (command.command == "MPEventGen" && document["VariableData"]["Type"] == "Drive") {
                seen.push_back(document["ID"].asString() + " " +
                               document["PhysicalLocation"].asString() + " " +
                               document["VariableData"]["Data"]["SerialNumber"].asString());
            }
        }
        return seen;
    }
    // Waits for the events raised so far, then hands over those not yet seen.
    std::vector<std::string> newEvents(size_t expected) {
        orbtest::waitFor([&] { return events().size() >= seenEvents + expected; },
                         std::chrono::seconds(10));
        std::vector<std::string> all = events();
        std::vector<std::string> fresh(all.begin() + static_cast<long>(seenEvents), all.end());
        seenEvents = all.size();
        return fresh;
    }

    orbtest::InstalledRMC rmc;
    orbsim::ScenarioPlayer player{orbtest::root(), nullptr};
    std::set<std::string> undoLines;
    size_t seenEvents = 0;
};

TEST_F(DriveHealth, DiscoveryDescribesEachDriveAndPlacesItOnlyWhereItCanBeToldApart) {
    const size_t descriptors = openDescriptors();
    Controller board = claim(0x028F9005, 0x13809005, kPci, {8, 11});
    std::vector<orbDiskInfo> drives;
    ASSERT_EQ(board->discoverPhysicalDiskInventory(drives), 0);
    ASSERT_EQ(drives.size(), 4u);
    const struct {
        const char *address, *serial, *model, *protocol, *media, *manufacturer;
    } expected[] = {
        {"8:0:0:0", "WFK1A2B3", "ST1200MM0009", "SAS", "HDD", "SEAGATE"},
        {"8:0:1:0", "0BG1XYZQ", "HUC101818CS4204", "SAS", "HDD", "HGST"},
        {"11:0:0:0", "Y7K0A01TTE9F", "PX05SMB080Y", "SAS", "SSD", "TOSHIBA"},
        {"11:0:1:0", "PHYG012345AB480BGN", "INTEL SSDSC2KG480G8", "ATA", "SSD", "ATA"},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].address);
        auto found = std::find_if(drives.begin(), drives.end(), [&](const orbDiskInfo& drive) {
            return drive.getOSSCSILink() == expected[i].address;
        });
        ASSERT_NE(found, drives.end());
        EXPECT_EQ(found->getSerialNumber(), expected[i].serial);
        EXPECT_EQ(found->getModel(), expected[i].model);
        EXPECT_EQ(found->getProtocol(), expected[i].protocol);
        EXPECT_EQ(found->getMediaType(), expected[i].media);
        EXPECT_EQ(found->getManufacturer(), expected[i].manufacturer);
        EXPECT_EQ(found->getSlot(), std::to_string(i));
        EXPECT_EQ(found->getPhysicalLocation(), bay(static_cast<int>(i)));
        EXPECT_GT(found->getCapacityBytes(), 0u);
        EXPECT_EQ(found->getOSSGHandle(), -1);
        EXPECT_NE(found->getState(), ORB_STATE_UNKNOWN) << "health read when first found";
    }
    // The chipset's SATA ports: no bay, and one location for both drives, so neither has one;
    // they are still inventoried. Their SAT layer refuses the protocol page.
    Controller chipset = claim(0x28268086, 0x72708086, "0000:00:17.0", {0, 1, 2, 3, 4, 5, 6, 7});
    ASSERT_EQ(chipset->discoverPhysicalDiskInventory(drives), 0);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].getManufacturer(), "ATA");
    EXPECT_EQ(drives[1].getManufacturer(), "VEX");  // the maker's signed vendor log
    for (const orbDiskInfo& drive : drives) {
        EXPECT_EQ(drive.getProtocol(), "SATA");
        EXPECT_EQ(drive.getPhysicalLocation(), "FFFFFFFFFFFFFFFF");
        EXPECT_EQ(drive.getATADeviceNumber(), drive.getOSSCSILink() == "0:0:0:0" ? 1 : 2);
    }
    // Nor can they raise events: the RMC could not place them.
    chipset->enableEvents();
    chipset->poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(newEvents(0), std::vector<std::string>{});
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(DriveHealth, SasAndAtaRulesReadTheDrivesHealth) {
    const std::string wearText = "[SSD Wear percentage (";
    const struct {
        const char* changes;
        const char* address;
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        std::string text;
    } cases[] = {
        {"", "8:0:0:0", ORB_STATE_RUNNING, ORB_HEALTH_OK, ""},
        {"", "8:0:1:0", ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING,
         "[SSD Wear percentage (-1); Threshold (95)], [Current Temp (34 C); Max Operating "
         "Temperature (60 C)], [23824 errors reported in Summary SMART error log / "
         "Informational Exceptions log page.]"},
        {"", "11:0:0:0", ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING, wearText + "98);"},
        {"", "11:0:1:0", ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING,
         "[SSD Wear percentage (11); Threshold (95)], [Current Temp (76 C); Max Operating "
         "Temperature (70 C)], [0 errors reported in Summary SMART error log / Informational "
         "Exceptions log page.]"},
        {"drive sg2 fault log-2f illegal-request", "8:0:0:0", ORB_STATE_FAILED, ORB_HEALTH_CRITICAL,
         "Failed to read Informational Exceptions log page from disk drive."},
        // No temperature page: the unit temperature alone is no overheating.
        {"drive sg2 fault log-0d illegal-request", "8:0:0:0", ORB_STATE_RUNNING, ORB_HEALTH_OK, ""},
        // A malformed wear page is no reading, not a drive worn to 255 %.
        {"drive sg4 condition healthy\n0 drive sg4 fault log-11 wrong-page", "11:0:0:0",
         ORB_STATE_RUNNING, ORB_HEALTH_OK, ""},
        {"drive sg5 condition healthy\n0 drive sg5 wear 200", "11:0:1:0",
         ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING, wearText + "200);"},
        {"drive sg5 fault log-ext-03 illegal-request", "11:0:1:0", ORB_STATE_FAILED,
         ORB_HEALTH_CRITICAL, "Failed to read Summary SMART Error Log from disk drive."},
        // A page 80 that cannot be read is no new drive.
        {"remove /sys/class/scsi_device/8:0:0:0/device/vpd_pg80", "8:0:0:0", ORB_STATE_RUNNING,
         ORB_HEALTH_OK, ""},
    };
    Controller board = claim(0x028F9005, 0x13809005, kPci, {8, 11});
    std::vector<orbDiskInfo> drives;
    board->discoverPhysicalDiskInventory(drives);
    board->enableEvents();
    const size_t descriptors = openDescriptors();
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.address) + " " + c.changes);
        change(c.changes[0] != '\0' ? std::string("0 ") + c.changes : "");
        board->poll();
        orbDiskInfo drive = driveAt(board.get(), c.address);
        EXPECT_EQ(drive.getState(), c.state);
        EXPECT_EQ(drive.getHealth(), c.health);
        EXPECT_THAT(drive.getEventInfoString(), HasSubstr(c.text));
        EXPECT_EQ(drive.getOSSGHandle(), -1);
        undo();
    }
    // Another drive in bay 0 between two discoveries.
    std::string page("\x00\x80\x00\x0ANEWSERIAL1", 14);
    ASSERT_TRUE(orbtest::writeFile(
        orbtest::rootPath("/sys/class/scsi_device/8:0:0:0/device/vpd_pg80"), page));
    board->poll();
    orbDiskInfo replaced = driveAt(board.get(), "8:0:0:0");
    EXPECT_EQ(replaced.getState(), ORB_STATE_OFFLINE);
    EXPECT_EQ(replaced.getHealth(), ORB_HEALTH_CRITICAL);
    EXPECT_EQ(replaced.getEventInfoString(),
              "Detected change in disk serial number (Current serial number: NEWSERIAL1; Last "
              "known serial number: WFK1A2B3).");
    EXPECT_EQ(openDescriptors(), descriptors);
}

// A controller that arrives while the service runs has each of its drives announced by the
// first poll that reads it, the healthy ones included.
TEST_F(DriveHealth, TheDrivesOfAControllerAddedLaterAreAnnounced) {
    Controller board = claim(0x028F9005, 0x13809005, kPci, {8, 11}, false);
    std::vector<orbDiskInfo> drives;
    board->discoverPhysicalDiskInventory(drives);
    board->enableEvents();
    board->poll();
    std::vector<std::string> announced = newEvents(4);
    std::sort(announced.begin(), announced.end());
    EXPECT_EQ(announced,
              (std::vector<std::string>{
                  "539 " + bay(1) + " 0BG1XYZQ", "539 " + bay(2) + " Y7K0A01TTE9F",
                  "539 " + bay(3) + " PHYG012345AB480BGN", "540 " + bay(0) + " WFK1A2B3"}));
}

// Each rediscovery is merged with the last by bay: a drive gone stays in the inventory,
// missing and Offline; a drive in a bay that was empty is announced; another drive in a bay
// is the old one gone and a new one come. Polls pair drives by bay, whatever their order.
TEST_F(DriveHealth, RediscoveryKeepsMissingDrivesAndAnnouncesNewOnes) {
    change("0 drive sg3 remove");
    Controller board = claim(0x028F9005, 0x13809005, kPci, {8, 11});
    std::vector<orbDiskInfo> drives;
    board->discoverPhysicalDiskInventory(drives);
    ASSERT_EQ(drives.size(), 3u);
    board->enableEvents();
    board->poll();
    EXPECT_EQ(newEvents(2).size(), 2u);  // the two unhealthy drives

    change("0 drive sg3 insert");
    board->discoverPhysicalDiskInventory(drives);
    ASSERT_EQ(drives.size(), 4u);
    board->poll();
    EXPECT_EQ(newEvents(1), std::vector<std::string>{"539 " + bay(1) + " 0BG1XYZQ"});

    change("0 drive sg2 remove");
    board->discoverPhysicalDiskInventory(drives);
    ASSERT_EQ(drives.size(), 4u);
    orbDiskInfo gone = driveAt(board.get(), "8:0:0:0");
    EXPECT_TRUE(gone.getDeviceMissing());
    EXPECT_EQ(gone.getState(), ORB_STATE_OFFLINE);
    EXPECT_EQ(gone.getHealth(), ORB_HEALTH_CRITICAL);
    board->poll();  // the remaining drives, now listed first, keep their status
    board->poll();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_EQ(newEvents(1), std::vector<std::string>{"538 " + bay(0) + " WFK1A2B3"});

    change("0 drive sg2 insert\n0 drive sg2 serial NEWSERIAL1");
    std::string page("\x00\x80\x00\x0ANEWSERIAL1", 14);
    ASSERT_TRUE(orbtest::writeFile(
        orbtest::rootPath("/sys/class/scsi_device/8:0:0:0/device/vpd_pg80"), page));
    board->discoverPhysicalDiskInventory(drives);
    ASSERT_EQ(drives.size(), 4u);
    orbDiskInfo replaced = driveAt(board.get(), "8:0:0:0");
    EXPECT_FALSE(replaced.getDeviceMissing());
    EXPECT_EQ(replaced.getSerialNumber(), "NEWSERIAL1");
    EXPECT_EQ(replaced.getEventInfoString(),
              "Detected change in disk serial number (Current serial number: NEWSERIAL1; Last "
              "known serial number: WFK1A2B3).");
    board->poll();
    EXPECT_EQ(newEvents(1), std::vector<std::string>{"540 " + bay(0) + " NEWSERIAL1"});
}

}  // namespace
