// The storage-library interface against the stand-in library, loaded with dlopen from the
// simulated root: what it reads from a well-behaved library, and how it copes with one that
// fails, lies about its counts or leaves its texts unterminated.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "megaraid/store_lib_interface.h"
#include "megaraid/storelib_names.h"
#include "support/test_environment.h"

namespace {

const char* const kController =
    "controller chipset=0x10E21000 board=0x40101000 pci=0000:5e:00.0 serial=SKC1234567 "
    "firmware=5.220.02-3691 product=MegaRAID_9560-8i\n";
const char* const kDrives =
    "pd 0 8 252:0 state=0x14 interface=SAS media=HDD vendor=SEAGATE product=ST2400MM0129 "
    "revision=C003 serial=WFN2MR01 blocks=100\n"
    "pd 0 9 252:1 state=0x01 interface=SATA media=SSD vendor=ATA product=MZ7KH960 revision=1 "
    "serial=S47MNA0N701234 blocks=100\n";
const char* const kVolumes = "ld 0 0 raid=1 span=2 state=2 blocks=100 name=boot members=8,9\n";

void describe(const std::string& text) {
    ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath("/var/lib/sim-storelib/controllers"), text));
}

struct Fault {
    const char* name;
    std::string description;  // empty: the library file itself is the fault
    const char* library;      // "missing", "without-entry" or "" for the stand-in
    bool usable;
    const char* logged;
};
// Named in test listings by its case, not by its bytes.
void PrintTo(const Fault& fault, std::ostream* out) {
    *out << fault.name;
}

class StoreLibFaults : public ::testing::TestWithParam<Fault> {};

// Each case runs in a process of its own: the library is loaded once per process.
TEST_P(StoreLibFaults, InitialisationReportsSuccessOnlyWhenUsable) {
    const Fault& fault = GetParam();
    const std::string library = orbtest::rootPath("/opt/vex/orb/lib/libstorelib.so");
    if (std::string(fault.library) == "missing") {
        std::filesystem::remove(library);
    } else if (std::string(fault.library) == "without-entry") {
        std::filesystem::copy_file(
            orbtest::binaryPath("sim/storelib-variants/libstorelib-without-entry.so"), library,
            std::filesystem::copy_options::overwrite_existing);
    }
    describe(fault.description);
    orbtest::LogMark mark;
    orbStoreLibInterface* lib = orbStoreLibInterface::getInstance();
    EXPECT_EQ(lib->orbStoreInit(), fault.usable);
    EXPECT_EQ(lib->orbStoreInit(), fault.usable) << "asked again";
    EXPECT_EQ(lib->isInitialized(), fault.usable);
    EXPECT_THAT(mark.mainSince() + mark.debugSince(), ::testing::HasSubstr(fault.logged));
    // A library that could not be loaded is not opened again.
    if (std::string(fault.library) == "missing") {
        EXPECT_EQ(orbtest::occurrences(mark.mainSince(), "Failed to load library"), 1u);
    }
    lib->cacheBuild("All");
    for (const CTRL_INFO& controller : lib->getControllerCollection()) {
        EXPECT_LE(controller.model.size(), 80u);
        EXPECT_LE(lib->getPDInventoryForCtrl(controller.ctrlId).size(), 256u);
    }
    lib->UnInitializeLibrary();
    lib->unloadDLLs();
}

INSTANTIATE_TEST_SUITE_P(
    Library, StoreLibFaults,
    ::testing::Values(
        Fault{"Missing", kController, "missing", false, "Failed to load library for monitoring"},
        Fault{"WithoutEntryPoint", kController, "without-entry", false,
              "Unable to get Entry Point function address Exiting."},
        Fault{"InitFailed", std::string(kController) + "init-status 0x8002\n", "", false,
              "InitializeLibraryMR failed _FAILED"},
        Fault{"InitNotPresent", std::string(kController) + "init-status 0x802C\n", "", false,
              "InitializeLibraryMR failed _NOT_PRESENT"},
        Fault{"InitNoSysfs", std::string(kController) + "init-status 0x801E\n", "", false,
              "InitializeLibraryMR failed:LIBSYSFS_NOT_PRESENT"},
        Fault{"InitAccess", std::string(kController) + "init-status 0x802B\n", "", false,
              "User Access level incorrect"},
        Fault{"NoControllers", "", "", false, "No LSI MR controllers found"},
        Fault{"GarbageCounts",
              std::string(kController) + kDrives + kVolumes +
                  "claimed-controllers 9999\nclaimed-drives 100000\nclaimed-volumes 70000\n"
                  "unterminated-texts\n",
              "", true, "Library loaded for MegaRAID SAS Controller."}),
    [](const ::testing::TestParamInfo<Fault>& info) { return std::string(info.param.name); });

TEST(StoreLibInterface, ListsAreReadThroughTheLibraryAndRebuiltByScope) {
    describe(std::string(kController) + kDrives + kVolumes);
    orbStoreLibInterface* lib = orbStoreLibInterface::getInstance();
    ASSERT_TRUE(lib->orbStoreInit());
    lib->cacheBuild("All");
    const std::vector<CTRL_INFO> controllers = lib->getControllerCollection();
    ASSERT_EQ(controllers.size(), 1u);
    EXPECT_EQ(controllers[0].serialNumber, "SKC1234567");
    EXPECT_EQ(controllers[0].pciLocation, "0000:5e:00.0");
    EXPECT_EQ(controllers[0].protocol, "SAS/SATA/NVMe");
    EXPECT_EQ(controllers[0].firmwareVersion, "5.220.02-3691");
    const std::vector<PD_INFO> drives = lib->getPDInventoryForCtrl(0);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_EQ(drives[0].fwStateText + "/" + std::to_string(drives[0].health), "Rebuild/1");
    EXPECT_EQ(drives[1].fwStateText + "/" + std::to_string(drives[1].health), "Unconfigured bad/4");
    EXPECT_EQ(drives[1].interfaceType + " " + drives[1].mediaType, "SATA SSD");
    const std::vector<LD_INFO> volumes = lib->getLDInventoryForCtrl(0);
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(volumes[0].raidLevel, "RAID10");
    EXPECT_EQ(volumes[0].stateText, "Degraded");
    EXPECT_THAT(volumes[0].memberSerials, ::testing::ElementsAre("WFN2MR01", "S47MNA0N701234"));

    // A drive scope rebuilds the drives alone.
    describe(std::string(kController) +
             "pd 0 8 252:0 state=0x11 interface=SAS serial=X blocks=1\n");
    lib->cacheBuild("PD_EVENT");
    EXPECT_EQ(lib->getPDInventoryForCtrl(0).size(), 1u);
    EXPECT_EQ(lib->getLDInventoryForCtrl(0).size(), 1u);
    lib->UnInitializeLibrary();
    lib->unloadDLLs();
}

TEST(StoreLibNames, StatesLevelsAndHealths) {
    struct Row {
        uint8_t state;
        const char* text;
        int health;
    };
    for (const Row& row :
         {Row{0x00, "Online", 1}, Row{0x40, "Online", 1}, Row{0x01, "Unconfigured bad", 4},
          Row{0x10, "Offline", 4}, Row{0x11, "Failed", 4}, Row{0x14, "Rebuild", 1},
          Row{0x99, "Unknown", 3}}) {
        EXPECT_EQ(orbMRFirmwareStateText(row.state), row.text) << int(row.state);
        EXPECT_EQ(orbMRFirmwareStateHealth(row.state), row.health) << int(row.state);
    }
    struct Level {
        uint8_t primary, qualifier, span;
        const char* text;
    };
    for (const Level& level :
         {Level{1, 0, 1, "RAID1"}, Level{1, 0, 2, "RAID10"}, Level{3, 3, 1, "SRL 3"},
          Level{5, 0, 2, "RAID50"}, Level{6, 0, 3, "RAID60"},
          Level{17, 0, 2, "PRL11 with Spanning"}, Level{15, 0, 1, "SingleDisk"},
          Level{15, 0, 2, ""}, Level{9, 0, 1, ""}}) {
        EXPECT_EQ(orbMRRaidLevelText(level.primary, 0, level.qualifier, level.span), level.text)
            << int(level.primary) << "/" << int(level.span);
    }
    EXPECT_EQ(orbMRVolumeStateText(1) + "/" + std::to_string(orbMRVolumeStateHealth(1)),
              "Partially degraded/2");
    EXPECT_EQ(orbMRVolumeStateText(7) + "/" + std::to_string(orbMRVolumeStateHealth(7)),
              "Undefined/3");
}

}  // namespace
