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

TEST(PhysLocZTRH, UnitsAreLocatedWithThreeGeoIdNumbers) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    ASSERT_EQ(pl, __orbZTRHPhysLocInterface__getInstance());
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:3d:00.1"), "3001010000030101");
    EXPECT_EQ(pl->getPhysLocForNetworkAdapter("0000:5f:00.0"), "030101020003FF00");
    EXPECT_EQ(pl->getPhysLocForChassisDriveSlot("0000:1a:00.0", 3), "2D01010100030301");
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:3d:00.0"), 2);
    EXPECT_EQ(pl->checkIfPCICardIsOnBoard("0000:5f:00.0"), 3);
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:86:00.0", chassis), 0);
    EXPECT_EQ(chassis, "r001i01");

    // Four numbers are one too many for this platform's GeoIDs.
    orbtest::LogMark mark;
    auto* ztrh = __orbZTRHPhysLocInterface__getInstance();
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "0", "03"}, 3, nullptr, "NA"),
              "FFFFFFFFFFFFFFFF");
    EXPECT_NE(mark.mainSince().find("(4, [001 01 0 03])"), std::string::npos);
    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    physloc_rtn_t rc = 0;
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "03"}, 3, &rc, "NA"),
              "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(rc, 7);
    EXPECT_NE(mark.mainSince().find("(7) [1, 1, 3, NA]"), std::string::npos);
}

}  // namespace
