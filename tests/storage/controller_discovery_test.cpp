#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "storage/enclosure_collation.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller_factory.h"
#include "support/test_environment.h"

namespace {

// A SCSI host whose device sits outside any PCI device (a software adapter), though the card
// files above it name a controller that would be claimed.
void addHostWithoutPciLocation() {
    const std::string devices = orbtest::rootPath("/sys/devices/virtual/scsi");
    for (const auto& [file, value] :
         std::map<std::string, std::string>{{"vendor", "0x8086"},
                                            {"device", "0x2826"},
                                            {"subsystem_vendor", "0x8086"},
                                            {"subsystem_device", "0x7270"}}) {
        ASSERT_TRUE(orbtest::writeFile(devices + "/" + file, value + "\n"));
    }
    std::filesystem::create_directories(devices + "/host12");
    std::filesystem::create_directories(orbtest::rootPath("/sys/class/scsi_host/host12"));
    std::filesystem::create_directory_symlink(
        "../../../devices/virtual/scsi/host12",
        orbtest::rootPath("/sys/class/scsi_host/host12/device"));
}

std::map<std::string, std::vector<std::string>> portsByLocation(
    const orbStorageControllerList& found) {
    std::map<std::string, std::vector<std::string>> ports;
    for (const auto& controller : found) {
        ports[controller->getPciLocation()] = controller->getPortVector();
    }
    return ports;
}

// The default host: the Lewisburg controller with eight SATA ports, the SmartRAID with two,
// the MegaRAID 9560 (left to the MegaRAID factory, which lists its model), and the Emulex
// Fibre Channel card (not a storage controller).
TEST(ControllerDiscovery, ClaimsEachControllerOnceAndFindsItAgainOnEveryPass) {
    addHostWithoutPciLocation();
    orbStorageControllerFactory* factory = orbStorageControllerFactory::getInstance();
    orbStorageControllerList first;
    ASSERT_EQ(factory->discoverControllers(first), 2);
    const auto ports = portsByLocation(first);
    ASSERT_EQ(ports.size(), 2u);
    ASSERT_EQ(ports.at("0000:00:17.0").size(), 8u) << "eight hosts, one controller";
    EXPECT_EQ(ports.at("0000:00:17.0")[0], "/sys/class/scsi_host/host0");
    EXPECT_EQ(ports.at("0000:3b:00.0"), (std::vector<std::string>{"/sys/class/scsi_host/host11",
                                                                  "/sys/class/scsi_host/host8"}));
    EXPECT_EQ(ports.count("0000:5e:00.0"), 0u) << "a model another factory lists is left to it";

    // Known controllers are found again, with their ports listed once.
    orbStorageControllerList second;
    ASSERT_EQ(factory->discoverControllers(second), 2);
    EXPECT_EQ(portsByLocation(second), ports);
    EXPECT_TRUE(second[0]->getFoundOnFirstDiscoveryPass());

    // Removed, a controller stays whole for whoever still holds it.
    orbControllerReference<IorbStorageController> held = std::move(second[1]);
    first.clear();
    second.clear();
    EXPECT_EQ(factory->deleteControllers(0xFF), 2);
    EXPECT_TRUE(held->isRemovalInProgress());
    EXPECT_EQ(held->getPciLocation(), "0000:3b:00.0");
    orbStorageControllerList none;
    EXPECT_EQ(factory->getControllers(0xFF, none), 0);
    held.reset();

    orbStorageControllerList third;
    ASSERT_EQ(factory->discoverControllers(third), 2);
    EXPECT_FALSE(third[0]->getFoundOnFirstDiscoveryPass()) << "found after the first pass";
    third.clear();
    factory->shutdownFactory();

    // A later run of the service has a first pass of its own.
    orbStorageControllerList restarted;
    ASSERT_EQ(factory->discoverControllers(restarted), 2);
    EXPECT_TRUE(restarted[0]->getFoundOnFirstDiscoveryPass());
    restarted.clear();
    factory->shutdownFactory();
}

struct Report {
    const char* serial;
    const char* part;
    const char* model;
    int bays;
    int box;
};

orbStorageEnclosureInfo enclosure(const Report& report) {
    orbStorageEnclosureInfo info;
    info.setSerialNumber(report.serial);
    info.setPartNumber(report.part);
    info.setModel(report.model);
    info.setBayCount(report.bays);
    info.setBox(report.box);
    info.setSegmentCount(1);
    return info;
}

TEST(EnclosureCollation, MergesOnlyWhatIsTheSameBackplane) {
    struct Case {
        const char* what;
        Report first;
        Report second;
        size_t collated;
    };
    const Case cases[] = {
        {"same serial", {"SN1", "P1", "8 SFF", 8, 1}, {"SN1", "", "", 0, 0}, 1},
        {"same box, different serials",
         {"SN1", "P1", "8 SFF", 8, 1},
         {"SN2", "P1", "8 SFF", 8, 1},
         2},
        {"same box from the model",
         {"", "", "8 SFF Box 2", 8, 0},
         {"SN2", "", "8 SFF Box 2", 8, 0},
         1},
        {"different boxes, same part", {"", "P1", "2 SFF", 2, 1}, {"", "P1", "2 SFF", 2, 2}, 2},
        {"no box, same part", {"SN1", "P1", "8 SFF", 4, 0}, {"", "P1", "8 SFF", 4, 0}, 1},
        {"nothing shared", {"", "", "12 LFF", 12, 0}, {"", "", "12 LFF", 12, 0}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto result = orbCollateStorageEnclosures({enclosure(c.first), enclosure(c.second)});
        ASSERT_EQ(result.size(), c.collated);
        if (c.collated == 1) {
            EXPECT_EQ(result[0].getSegmentCount(), 2);
            EXPECT_FALSE(result[0].getSerialNumber().empty()) << "the serial number is kept";
        }
    }
    EXPECT_EQ(orbStorageEnclosureBoxNumber(enclosure({"", "", "8 SFF Box 2", 8, 0})), 2);
    EXPECT_EQ(orbStorageEnclosureBoxNumber(enclosure({"", "", "8 SFF Box 2", 2, 0})), -1);
    EXPECT_EQ(orbStorageEnclosureBoxNumber(enclosure({"", "", "8 SFF", 8, 0})), -1);
}

}  // namespace
