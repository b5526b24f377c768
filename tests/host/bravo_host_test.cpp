// The second simulated host: platform family BRAVO, the ZTRH physical-location library, GeoIDs
// of the form rNNNiNNsNN taken whole from the slot designations, the BRAVO part-number column.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "core/utils.h"
#include "host/physloc_factory.h"
#include "host/physloc_ztrh.h"
#include "host/system_interface_factory.h"
#include "nic/expected_port.h"
#include "support/test_environment.h"

ORB_TEST_HOST("bravo");

namespace {

TEST(BravoHost, PlatformAndGeoIDs) {
    EXPECT_EQ(orbUtils::getPlatformFamily(), "PLATFAM-BRAVO");
    EXPECT_EQ(orbUtils::readHostOSVersion(), "7.0.3");
    struct Case {
        const char* address;
        const char* geoID;
        std::vector<std::string> parts;
    };
    // No initGeoIDMap call: the first lookup builds the map.
    const Case cases[] = {
        {"0000:00:11.5", "r001i01s00", {"001", "01", "00"}},  // onboard device, function 5
        {"0000:86:00.0", "r001i01s03", {"001", "01", "03"}},  // slot
        {"0000:00:00.0", "NotAvailable", {}},                 // slot without bus address fields
        {"0000:d8:00.0", "r001i01s07", {"001", "01", "07"}},  // the MegaRAID in slot 7
        {"0000:d9:00.0", "NotAvailable", {}},                 // no such device
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(orbUtils::getGeoIDStr(c.address), c.geoID);
        EXPECT_EQ(orbUtils::getGeoIDInfo(c.address), c.parts);
    }
}

TEST(BravoHost, UnitsAreLocatedWithThreeGeoIdNumbers) {
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    ASSERT_EQ(pl, __orbZTRHPhysLocInterface__getInstance());
    EXPECT_EQ(pl->getPhysLocForChassisDriveSlot("0000:1a:00.0", 3), "2D01010100030301");
    std::string chassis;
    EXPECT_EQ(pl->getChassisLocationForIOSlot("0000:86:00.0", chassis), 0);
    EXPECT_EQ(chassis, "r001i01");

    // Four numbers are one too many for this platform's GeoIDs.
    auto* ztrh = __orbZTRHPhysLocInterface__getInstance();
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "0", "03"}, 3, nullptr, "NA"),
              "FFFFFFFFFFFFFFFF");
    setenv("ORB_SIM_PHYSLOC_ENCODE_RESULT", "7", 1);
    physloc_rtn_t rc = 0;
    EXPECT_EQ(ztrh->physlocEncode("0000:86:00.0", {"001", "01", "03"}, 3, &rc, "NA"),
              "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(rc, 7);
}

// The network ports' locations come from the ZTRH library.
TEST(BravoHost, NetworkPortsAreDescribed) {
    ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    EXPECT_EQ(describedPort({"vmnic1", "0000:3d:00.1", "bnxtnet", "Down", "Down", "0", "Half",
                             "00:0a:f7:b2:16:d1", "1500", "Broadcom BCM57416"}),
              "Broadcom BCM57416 NetXtreme-E Dual-port 10GBASE-T OCP 2.0 Adapter|VXB-0416-OCP2|"
              "224.0.158.0/pkg 224.1.102.0|3001010000030101|Vex|PCI 0000:3d:00.1 r001i01s00|"
              "Offline|OK|0|00:0a:f7:b2:16:d1");
}

}  // namespace
