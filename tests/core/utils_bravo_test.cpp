// The utilities on the second simulated host: family PLATFAM-BRAVO, GeoIDs of the form
// rNNNiNNsNN taken whole from the slot designations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/utils.h"
#include "support/test_environment.h"

ORB_TEST_HOST("bravo");

namespace {

TEST(UtilsBravo, PlatformAndGeoIDsOfTheBravoHost) {
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
        {"0000:3d:00.1", "r001i01s00", {"001", "01", "00"}},  // onboard device, function 1
        {"0000:86:00.0", "r001i01s03", {"001", "01", "03"}},  // slot
        {"0000:00:00.0", "NotAvailable", {}},                 // slot without bus address fields
        {"0000:d8:00.0", "NotAvailable", {}},                 // no such device
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(orbUtils::getGeoIDStr(c.address), c.geoID);
        EXPECT_EQ(orbUtils::getGeoIDInfo(c.address), c.parts);
    }
}

}  // namespace
