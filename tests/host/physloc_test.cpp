// Physical locations on the default host (platform family ALPHA, CH library), through the
// stand-in library loaded with dlopen. The stand-in's code carries the request it was built
// from: type, the four GeoID numbers, their count, the extra number (FF: none), extra flag.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "host/physloc_ch.h"
#include "host/physloc_factory.h"
#include "support/test_environment.h"

namespace {

namespace fs = std::filesystem;

const char* const NONE = "FFFFFFFFFFFFFFFF";

void expectLogged(const orbtest::LogMark& mark, const std::string& line) {
    EXPECT_NE(mark.mainSince().find(line), std::string::npos) << line << "\n" << mark.mainSince();
}

TEST(PhysLocCH, FactoryLoadsTheLibraryOnceForEveryThread) {
    orbtest::LogMark mark;
    std::vector<orbPhysLocInterface*> seen(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i]() { seen[i] = orbPhysLocFactory::getPhysLocInterface(); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(std::count(seen.begin(), seen.end(), __orbCHPhysLocInterface__getInstance()), 8);
    EXPECT_EQ(
        orbtest::occurrences(mark.mainSince(), "Successfully loaded physical location library."),
        1u);
}

TEST(PhysLocCH, UnitsAreLocatedWithTheirTypeAndExtraNumber) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    // Network adapters are located in the port records of the NIC tests.
    EXPECT_EQ(pl->getPhysLocForIOSlot("0000:3b:00.0"), "030101010104FF00");
    EXPECT_EQ(pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", 7), "3801010102040701");
    EXPECT_EQ(pl->getPhysLocForExternalDrive("0000:3b:00.0"), "450101010104FF00");
    EXPECT_EQ(pl->getPhysLocForChassisStorageBackplane("0000:5e:00.0", 2), "4001010102040201");
    EXPECT_EQ(pl->getPCIeSlotForIOSlot("0000:d8:00.0"), "05");
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:18:00.0"), 2);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:3b:00.0"), 3);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:00:1f.4"), -4);  // no slot record
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "0000:d8:00.0"), 2);
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:86:00.0", chassis), 0);
    EXPECT_EQ(chassis, "r001u01");
}

TEST(PhysLocCH, EveryFailureGivesNoLocation) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    orbCHPhysLocInterface* ch = __orbCHPhysLocInterface__getInstance();
    for (const char* pci : {"0000:3b:00", "0000:3b:00.0'", ""}) {
        SCOPED_TRACE(pci);
        EXPECT_EQ(pl->getPhysLocForIOSlot(pci), NONE);
        EXPECT_EQ(pl->getPhysLocForNetworkAdapter(pci), NONE);
        EXPECT_EQ(pl->getPhysLocForChassisDriveSlot(pci, 1), NONE);
        std::string chassis = "unchanged";
        EXPECT_EQ(pl->getChassisLocationForIOSlot(pci, chassis), -1);
        EXPECT_EQ(chassis, "unchanged");
        EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", pci), -1);
    }
    // 0000:00:1f.4 (the chipset's SMBus) has no slot record and so no GeoID. A rack number of
    // 300 would wrap to 44 in the library's byte and locate another rack.
    for (const std::string& code : {
             pl->getPhysLocForNetworkAdapter("0000:00:1f.4"),
             pl->getPhysLocForChassisStorageBackplane("0000:00:1f.4", 1),
             pl->getPhysLocForIOSlot("0000:00:1f.4"),
             pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", 256),
             pl->getPhysLocForChassisStorageBackplane("0000:5e:00.0", -1),
             ch->physlocEncode("0000:18:00.0", {"300", "01", "0", "00"}, 3, nullptr, "NA"),
             ch->physlocEncode("0000:18:00.0", {"001", "01", "0", "00"}, 3, nullptr, "1000"),
             ch->physlocEncode("0000:18:00.0", {"001", "01", "0"}, 3, nullptr, "NA"),
         }) {
        EXPECT_EQ(code, NONE);
    }
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "0000:00:1f.4"), -2);
    physloc_rtn_t rc = -1;
    EXPECT_EQ(ch->physlocEncode("0000:18:00.0", {"255", "01", "0", "00"}, 3, &rc, "255"),
              "03FF01000004FF01");
    EXPECT_EQ(rc, -1) << "rc is only written on a library failure";
    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    EXPECT_EQ(ch->physlocEncode("0000:3b:00.0", {"001", "01", "1", "01"}, 3, &rc, "NA"), NONE);
    EXPECT_EQ(rc, 7);
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:18:00.1"), NONE);
}

TEST(PhysLocCH, MissingLibraryFallsBackToTheMock) {
    std::string library = orbtest::rootPath(orbCHPhysLocInterface::LIBRARY_PATH);
    fs::remove(library);
    orbtest::LogMark mark;
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    expectLogged(mark, "Failed to load physical location library [" + library + "]: (");
    EXPECT_EQ(pl->getPhysLocLibraryName(), "Mock-PL library");
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:18:00.1"), NONE);
}

TEST(PhysLocCH, LibraryWithoutEncodeIsNotUsed) {
    fs::copy_file(orbtest::binaryPath("sim/physloc/liborb_sim_physloc_without_encode.so"),
                  orbtest::rootPath(orbCHPhysLocInterface::LIBRARY_PATH),
                  fs::copy_options::overwrite_existing);
    orbtest::LogMark mark;
    orbCHPhysLocInterface* ch = __orbCHPhysLocInterface__getInstance();
    EXPECT_FALSE(ch->Initialize());
    expectLogged(mark, "Failed to find address of symbol [physloc_encode]: (");
    // Asked directly, the variant without its library answers no location instead of calling
    // through a null entry point.
    EXPECT_EQ(ch->getPhysLocForIOSlot("0000:3b:00.0"), NONE);
    EXPECT_EQ(orbPhysLocFactory::getPhysLocInterface()->getPhysLocLibraryName(), "Mock-PL library");
}

}  // namespace
