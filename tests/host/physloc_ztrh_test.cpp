// Physical locations on the bravo host (platform family BRAVO, ZTRH library): GeoIDs of three
// numbers, and the ZTRH location types.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "host/physloc_factory.h"
#include "host/physloc_ztrh.h"
#include "support/test_environment.h"

ORB_TEST_HOST("bravo");

namespace {

const char* const NONE = "FFFFFFFFFFFFFFFF";

TEST(PhysLocZTRH, UnitsAreEncodedWithThreeGeoIdNumbers) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    ASSERT_EQ(pl, __orbZTRHPhysLocInterface__getInstance());
    EXPECT_EQ(pl->getPhysLocLibraryName(), "/opt/vex/orb/lib/libvexphysloc_ztrh.so");
    struct Case {
        const char* what;
        std::string code;
        const char* expected;
    };
    const Case cases[] = {
        {"on-board port 2", pl->getPhysLocForNetworkAdapter("0000:3d:00.1"), "3001010000030101"},
        {"add-in port", pl->getPhysLocForNetworkAdapter("0000:5f:00.0"), "030101020003FF00"},
        {"io slot", pl->getPhysLocForIOSlot("0000:86:00.0"), "030101030003FF00"},
        {"drive bay", pl->getPhysLocForChassisDriveSlot("0000:1a:00.0", 3), "2D01010100030301"},
        {"external drive", pl->getPhysLocForExternalDrive("0000:1a:00.0"), "3D0101010003FF00"},
        {"backplane", pl->getPhysLocForChassisStorageBackplane("0000:1a:00.0", 1),
         "3501010100030101"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.code, c.expected) << c.what;
    }
}

TEST(PhysLocZTRH, SlotsChassisAndFailures) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:3d:00.0"), 2);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:5f:00.0"), 3);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:00:1f.4"), -4);
    EXPECT_EQ(pl->getPCIeSlotForIOSlot("0000:86:00.0"), "03");
    EXPECT_EQ(pl->checkPCIDevicesLocatedInSameChassis("0000:1a:00.0", "0000:86:00.0"), 2);
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:86:00.0", chassis), 0);
    EXPECT_EQ(chassis, "r001i01");

    auto* ztrh = __orbZTRHPhysLocInterface__getInstance();
    orbtest::LogMark mark;
    // Four numbers are one too many for this platform's GeoIDs.
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "0", "03"}, 3, nullptr, "NA"),
              NONE);
    EXPECT_NE(mark.mainSince().find("Failed to determine physical location for PCI address "
                                    "[0000:86:00.0]. (4, [001 01 0 03])"),
              std::string::npos);

    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    physloc_rtn_t rc = 0;
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "03"}, 3, &rc, "NA"), NONE);
    EXPECT_EQ(rc, 7);
    EXPECT_NE(mark.mainSince().find("Failed to encode physical location for PCI address "
                                    "[0000:86:00.0]. (7) [1, 1, 3, NA]"),
              std::string::npos)
        << mark.mainSince();
    unsetenv("ORB_SIM_PHYSLOC_ENCODE_RESULT");
}

}  // namespace
