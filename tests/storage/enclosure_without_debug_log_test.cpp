#include <gtest/gtest.h>

#include "record_json_expect.h"
#include "support/test_environment.h"

// The logger is one per process, so the debug log stays off for every case of this file.
ORB_TEST_CONFIGURATION(R"({"EnableDebugLog": false, "LoggingLevel": "Info"})");

namespace {

TEST(StorageRecordsWithoutDebugLog, EnclosureShapesLeaveOutBayAndSegmentCounts) {
    const orbStorageEnclosureInfo enclosure = sampleEnclosure();
    expectRecordJson(enclosure.getVariableData(),
                     R"({"Data":{"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)"
                     R"("Oem":{"Box":1,"PhysicalLocation":"0101000100010000"},)"
                     R"("PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042","Type":"Backplane"},)"
                     R"("EventInfo":"","Type":"StorageEnclosure"})");
    expectRecordJson(enclosure.getInventoryData(),
                     R"({"FirmwareVersion":"2.20","Model":"8 SFF Backplane",)"
                     R"("Oem":{"Box":1,"PhysicalLocation":"0101000100010000"},)"
                     R"("PartNumber":"BP-8SFF-01","SerialNumber":"BPS0042",)"
                     R"("Status":{"Health":"OK","State":"Running"},"Type":"Backplane"})");
    expectRecordJson(enclosure.orbStorageEnclosureOEMInfo::getVariableData(),
                     R"({"Box":1,"PhysicalLocation":"0101000100010000"})");
}

}  // namespace
