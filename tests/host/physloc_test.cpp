// Physical locations on the default host (platform family ALPHA, CH library), through the
// stand-in library loaded with dlopen. The stand-in's code carries the request it was built
// from: type, the four GeoID numbers, their count, the extra number (FF: none), extra flag.
#include <gtest/gtest.h>
#include <stdlib.h>

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

std::string libraryPath() {
    return orbtest::rootPath(orbCHPhysLocInterface::LIBRARY_PATH);
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
    for (orbPhysLocInterface* p : seen) {
        EXPECT_EQ(p, __orbCHPhysLocInterface__getInstance());
    }
    std::string log = mark.mainSince();
    size_t first = log.find("Successfully loaded physical location library.");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find("Successfully loaded", first + 1), std::string::npos) << log;
    EXPECT_EQ(seen[0]->getPhysLocLibraryName(), "/opt/vex/orb/lib/libvexphysloc_ch.so");
}

TEST(PhysLocCH, UnitsAreEncodedWithTheirTypeAndExtraNumber) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    struct Case {
        const char* what;
        std::string code;
        const char* expected;
    };
    const Case cases[] = {
        // I/O slot 1, r001u01p1i01: type 3, no extra.
        {"io slot", pl->getPhysLocForIOSlot("0000:3b:00.0"), "030101010104FF00"},
        // On-board port 2 (function 1) of the system board: type 59, extra 1.
        {"on-board port", pl->getPhysLocForNetworkAdapter("0000:18:00.1"), "3B01010000040101"},
        {"on-board port 1", pl->getPhysLocForNetworkAdapter("0000:18:00.0"), "3B01010000040001"},
        // The add-in network card in slot 4 is located as its I/O slot.
        {"add-in port", pl->getPhysLocForNetworkAdapter("0000:af:00.0"), "030101020404FF00"},
        {"drive bay 7", pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", 7), "3801010102040701"},
        {"external drive", pl->getPhysLocForExternalDrive("0000:3b:00.0"), "450101010104FF00"},
        {"backplane 2", pl->getPhysLocForChassisStorageBackplane("0000:5e:00.0", 2),
         "4001010102040201"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, c.expected) << c.what;
    }
}

TEST(PhysLocCH, SuccessfulEncodingIsLoggedWithItsInputs) {
    orbtest::LogMark mark;
    orbPhysLocFactory::getPhysLocInterface()->getPhysLocForNetworkAdapter("0000:18:00.1");
    EXPECT_NE(
        mark.debugSince().find(
            "PCI address [0000:18:00.1]: [59] - {001, 01, 0, 00, 1} - PL: [3B01010000040101]"),
        std::string::npos)
        << mark.debugSince();
}

TEST(PhysLocCH, InvalidAddressesGiveNoLocation) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    const char* invalid[] = {"0:3b:00.0",     "0000:3b:00",   "0000:3b:00.0 ",
                             "0000:3b:00.0'", "0000-3b-00.0", ""};
    for (const char* pci : invalid) {
        SCOPED_TRACE(pci);
        orbtest::LogMark mark;
        EXPECT_EQ(pl->getPhysLocForIOSlot(pci), NONE);
        EXPECT_EQ(pl->getPhysLocForNetworkAdapter(pci), NONE);
        EXPECT_EQ(pl->getPhysLocForChassisDriveSlot(pci, 1), NONE);
        EXPECT_EQ(pl->getPhysLocForExternalDrive(pci), NONE);
        EXPECT_EQ(pl->getPhysLocForChassisStorageBackplane(pci, 1), NONE);
        std::string chassis = "unchanged";
        EXPECT_EQ(pl->getChassisLocationForIOSlot(pci, chassis), -1);
        EXPECT_EQ(chassis, "unchanged");
        std::string log = mark.mainSince();
        std::string shown = std::string("([") + pci + "])";
        EXPECT_NE(log.find("I/O controller PCI address is invalid. " + shown), std::string::npos);
        EXPECT_NE(log.find("Network controller PCI address is invalid. " + shown),
                  std::string::npos);
        EXPECT_NE(log.find("Storage controller PCI address is invalid. " + shown),
                  std::string::npos);
    }
    EXPECT_NE(pl->getPhysLocForIOSlot("0000:3b:00.0"), NONE);
}

TEST(PhysLocCH, DevicesWithoutAGeoIdOrWithBadNumbersGiveNoLocation) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    // 0000:00:1f.4 (the chipset's SMBus) has no slot record and so no GeoID.
    struct Case {
        std::string code;
        const char* logLine;
    };
    orbtest::LogMark mark;
    const Case cases[] = {
        {pl->getPhysLocForNetworkAdapter("0000:00:1f.4"),
         "Unexpected GeoID split size [0] at PCI address [0000:00:1f.4] for network adapter."},
        {pl->getPhysLocForChassisDriveSlot("0000:00:1f.4", 1),
         "Unexpected GeoID split size [0] at PCI address [0000:00:1f.4] for chassis drive slot."},
        {pl->getPhysLocForChassisStorageBackplane("0000:00:1f.4", 1),
         "Unexpected GeoID split size [0] at PCI address [0000:00:1f.4] for storage backplane."},
        {pl->getPhysLocForIOSlot("0000:00:1f.4"),
         "Failed to determine physical location for PCI address [0000:00:1f.4]. (0, [])"},
        {pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", -1),
         "Invalid internal drive bay # [-1] for physical location encoding at PCI address "
         "[0000:5e:00.0]."},
        {pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", 256),
         "Invalid internal drive bay # [256]"},
        {pl->getPhysLocForChassisStorageBackplane("0000:5e:00.0", 300),
         "Invalid box number [300] for storage backplane connected to PCI address "
         "[0000:5e:00.0]."},
    };
    std::string log = mark.mainSince();
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, NONE) << c.logLine;
        EXPECT_NE(log.find(c.logLine), std::string::npos) << c.logLine << "\n" << log;
    }
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:00:1f.4", chassis), -2);
    EXPECT_NE(mark.mainSince().find("for chassis location."), std::string::npos);
}

TEST(PhysLocCH, EncodeRefusesNumbersThatDoNotFitTheLibrary) {
    orbCHPhysLocInterface* pl = __orbCHPhysLocInterface__getInstance();
    ASSERT_TRUE(pl->Initialize());
    struct Case {
        std::vector<std::string> parts;
        const char* extra;
        const char* logLine;
    };
    // A rack number of 300 would wrap to 44 in the library's byte and locate another rack.
    const Case cases[] = {
        {{"300", "01", "0", "00"}, "NA", "Invalid GeoID number [300] at PCI address"},
        {{"001", "256", "0", "00"}, "NA", "Invalid GeoID number [256]"},
        {{"001", "01", "x", "00"}, "NA", "Invalid GeoID number [x]"},
        {{"001", "01", "0", "00"}, "1000", "Invalid unit number [1000]"},
        {{"001", "01", "0"},
         "NA",
         "Failed to determine physical location for PCI address [0000:18:00.0]. (3, [001 01 0])"},
        {{"001", "01", "0", "00", "7"}, "NA", "(5, [001 01 0 00 7])"},
    };
    for (const Case& c : cases) {
        orbtest::LogMark mark;
        physloc_rtn_t rc = 0;
        EXPECT_EQ(pl->physlocEncode("0000:18:00.0", c.parts, 3, &rc, c.extra), NONE) << c.logLine;
        EXPECT_NE(mark.mainSince().find(c.logLine), std::string::npos) << c.logLine << "\n"
                                                                       << mark.mainSince();
    }
    physloc_rtn_t rc = -1;
    EXPECT_EQ(pl->physlocEncode("0000:18:00.0", {"255", "01", "0", "00"}, 3, &rc, "255"),
              "03FF01000004FF01");
    EXPECT_EQ(rc, -1) << "rc is only written on a library failure";
}

TEST(PhysLocCH, LibraryFailureIsStoredInRcAndLogged) {
    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    orbCHPhysLocInterface* pl = __orbCHPhysLocInterface__getInstance();
    ASSERT_TRUE(pl->Initialize());
    orbtest::LogMark mark;
    physloc_rtn_t rc = 0;
    EXPECT_EQ(pl->physlocEncode("0000:3b:00.0", {"001", "01", "1", "01"}, 3, &rc, "NA"), NONE);
    EXPECT_EQ(rc, 7);
    EXPECT_NE(mark.mainSince().find("Failed to encode physical location for PCI address "
                                    "[0000:3b:00.0]. (7) [1, 1, 1, 1, NA]"),
              std::string::npos)
        << mark.mainSince();
    // Without rc the failure is still reported as no location.
    EXPECT_EQ(pl->physlocEncode("0000:3b:00.0", {"001", "01", "1", "01"}, 3, nullptr, "NA"), NONE);
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:18:00.1"), NONE);
    unsetenv("ORB_SIM_PHYSLOC_ENCODE_RESULT");
}

TEST(PhysLocCH, SlotsChassisAndOnBoardDevices) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    struct Case {
        const char* pci;
        const char* slot;
        int onBoard;
    };
    const Case cases[] = {
        {"0000:18:00.0", "00", 2}, {"0000:00:17.0", "00", 2}, {"0000:3b:00.0", "01", 3},
        {"0000:d8:00.0", "05", 3}, {"0000:00:1f.4", "0", -4}, {"bad", "0", -4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pl->getPCIeSlotForIOSlot(c.pci), c.slot) << c.pci;
        EXPECT_EQ(pl->checkIfPCICardIsOnBoard(c.pci), c.onBoard) << c.pci;
    }
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "0000:d8:00.0"), 2);
    orbtest::LogMark mark;
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "3b:00.0"), -1);
    EXPECT_NE(mark.mainSince().find("Either or both PCI addresses specified are not valid. "
                                    "([0000:3b:00.0], [3b:00.0])"),
              std::string::npos);
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "0000:00:1f.4"), -2);
    EXPECT_NE(mark.mainSince().find("Split size of either or both GeoIDs are invalid [4, 0], at "
                                    "PCI addresses [0000:3b:00.0, 0000:00:1f.4], respectively."),
              std::string::npos);
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:86:00.0", chassis), 0);
    EXPECT_EQ(chassis, "r001u01");
}

TEST(PhysLocCH, MissingLibraryFallsBackToTheMock) {
    fs::remove(libraryPath());
    orbtest::LogMark mark;
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    std::string log = mark.mainSince();
    EXPECT_NE(log.find("Failed to load physical location library [" + libraryPath() + "]: ("),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Physical location will be reported by ORB as FFFFFFFFFFFFFFFF for all "
                       "FRUs."),
              std::string::npos);
    EXPECT_EQ(pl->getPhysLocLibraryName(), "Mock-PL library");
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:18:00.1"), NONE);
    EXPECT_EQ(pl->getPhysLocForChassisDriveSlot("0000:5e:00.0", 1), NONE);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:18:00.1"), -4);
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:3b:00.0", "0000:d8:00.0"), -3);
    EXPECT_EQ(pl->getPCIeSlotForIOSlot("0000:3b:00.0"), "0");
    // The choice is made once: the library appearing later changes nothing.
    EXPECT_EQ(orbPhysLocFactory::getPhysLocInterface(), pl);
}

TEST(PhysLocCH, LibraryWithoutEncodeIsNotUsed) {
    fs::copy_file(orbtest::binaryPath("sim/physloc/liborb_sim_physloc_without_encode.so"),
                  libraryPath(), fs::copy_options::overwrite_existing);
    orbtest::LogMark mark;
    orbCHPhysLocInterface* ch = __orbCHPhysLocInterface__getInstance();
    EXPECT_FALSE(ch->Initialize());
    EXPECT_NE(mark.mainSince().find("Failed to find address of symbol [physloc_encode]: ("),
              std::string::npos)
        << mark.mainSince();
    // Asked directly, the variant without its library answers no location instead of calling
    // through a null entry point.
    EXPECT_EQ(ch->getPhysLocForIOSlot("0000:3b:00.0"), NONE);
    EXPECT_EQ(orbPhysLocFactory::getPhysLocInterface()->getPhysLocLibraryName(), "Mock-PL library");
}

TEST(PhysLocCH, UnloadedLibraryAnswersNoLocationAndCanBeLoadedAgain) {
    orbCHPhysLocInterface* ch = __orbCHPhysLocInterface__getInstance();
    ASSERT_TRUE(ch->Initialize());
    ch->UnInitialize();
    EXPECT_EQ(ch->getPhysLocForIOSlot("0000:3b:00.0"), NONE);
    ASSERT_TRUE(ch->Initialize());
    EXPECT_EQ(ch->getPhysLocForIOSlot("0000:3b:00.0"), "030101010104FF00");
}

}  // namespace
