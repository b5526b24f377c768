// The chipset SATA RAID controller of the default host (eight SATA ports on the ALPHA
// platform, two SATA drives on the first two) as controller discovery hands it out.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "storage/storage_controller_factory.h"
#include "support/test_environment.h"

using ::testing::HasSubstr;

namespace {

orbControllerReference<IorbStorageController> chipsetController() {
    orbStorageControllerList found;
    orbStorageControllerFactory::getInstance()->discoverControllers(found);
    for (auto& controller : found) {
        if (controller->getPciLocation() == "0000:00:17.0") {
            return std::move(controller);
        }
    }
    return {};
}

void setPortStates(int from, int to, const char* state) {
    for (int host = from; host <= to; ++host) {
        ASSERT_TRUE(orbtest::writeFile(
            orbtest::rootPath("/sys/class/scsi_host/host" + std::to_string(host) + "/state"),
            std::string(state) + "\n"));
    }
}

TEST(LewisburgController, FirmwareFromMdadmBaysFromAtaPortsAndPlatformPortTexts) {
    orbtest::LogMark mark;
    auto controller = chipsetController();
    ASSERT_TRUE(controller);
    orbStorageControllerInfo info;
    ASSERT_EQ(controller->discoverInventory(info), 0);
    EXPECT_EQ(info.getFirmwareVersion(), "5.6.0.1009");
    EXPECT_EQ(info.getState(), ORB_STATE_RUNNING);
    EXPECT_EQ(info.getEventInfoString(),
              "All ports of the Intel SATA RAID controller are now online.");

    // ata1 and ata2 are the controller's first two ports: bays 0 and 1, each located.
    std::vector<orbDiskInfo> drives;
    ASSERT_EQ(controller->discoverPhysicalDiskInventory(drives), 0);
    ASSERT_EQ(drives.size(), 2u);
    for (const orbDiskInfo& drive : drives) {
        SCOPED_TRACE(drive.getOSSCSILink());
        EXPECT_EQ(drive.getSlot(), drive.getOSSCSILink() == "0:0:0:0" ? "0" : "1");
        EXPECT_NE(drive.getPhysicalLocation(), "FFFFFFFFFFFFFFFF");
    }
    EXPECT_NE(drives[0].getPhysicalLocation(), drives[1].getPhysicalLocation());

    // Seven of the eight platform ports gone: the controller is critically degraded. With
    // the hosts of five ports vanished, the platform still has eight ports to count.
    const struct {
        int firstOffline;
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        std::string text;
    } cases[] = {
        {7, ORB_STATE_DEGRADED, ORB_HEALTH_WARNING, ""},
        {1, ORB_STATE_DEGRADED, ORB_HEALTH_CRITICAL,
         "At least 7 of 8 ports of the Intel SATA RAID controller have gone offline or will be "
         "removed from the system, or have been in recovery state for >= 60 seconds."},
    };
    for (const auto& c : cases) {
        setPortStates(0, 7, "Running");
        setPortStates(c.firstOffline, 7, "Offline");
        ASSERT_EQ(controller->discoverInventory(info), 0);
        EXPECT_EQ(info.getState(), c.state) << c.firstOffline;
        EXPECT_EQ(info.getHealth(), c.health) << c.firstOffline;
        EXPECT_EQ(info.getEventInfoString(), c.text) << c.firstOffline;
    }
    setPortStates(0, 7, "Running");
    for (int host = 3; host <= 7; ++host) {
        std::filesystem::remove_all(
            orbtest::rootPath("/sys/class/scsi_host/host" + std::to_string(host)));
    }
    orbStorageControllerFactory::getInstance()->shutdownFactory();
    controller = chipsetController();
    ASSERT_TRUE(controller);
    ASSERT_EQ(controller->discoverInventory(info), 0);
    EXPECT_EQ(info.getControllerPortListSize(), 3u);
    EXPECT_EQ(info.getState(), ORB_STATE_DEGRADED);
    EXPECT_EQ(info.getHealth(), ORB_HEALTH_WARNING);
}

TEST(LewisburgController, WithoutMdadmTheFirmwareIsEmptyAndDiscoveryGoesOn) {
    std::filesystem::remove(orbtest::rootPath("/usr/sbin/mdadm"));
    auto controller = chipsetController();
    ASSERT_TRUE(controller);
    orbStorageControllerInfo info;
    ASSERT_EQ(controller->discoverInventory(info), 0);
    EXPECT_EQ(info.getFirmwareVersion(), "");
    std::vector<orbDiskInfo> drives;
    ASSERT_EQ(controller->discoverPhysicalDiskInventory(drives), 0);
    EXPECT_EQ(drives.size(), 2u);
}

}  // namespace
