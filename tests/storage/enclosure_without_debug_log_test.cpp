#include <gtest/gtest.h>

#include "record_json_expect.h"
#include "support/test_environment.h"

// The logger is one per process, so the debug log stays off for every case of this file.
ORB_TEST_CONFIGURATION(R"({"EnableDebugLog": false, "LoggingLevel": "Info"})");

namespace {

TEST(StorageRecordsWithoutDebugLog, EnclosureShapesLeaveOutBayAndSegmentCounts) {
    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    const char* const oem = R"("Oem":{"Box":1,"PhysicalLocation":"0101000100010000"})";
    expectRecordJson(
        enclosure.getVariableData(),
        std::string(R"({"Data":{"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)") + oem +
            R"(,"PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042",)"
            R"("Type":"Backplane"},"EventInfo":"","Type":"StorageEnclosure"})");
    EXPECT_TRUE(enclosure.getInventoryData()["Oem"] == enclosure.getVariableData()["Data"]["Oem"]);
}

}  // namespace
