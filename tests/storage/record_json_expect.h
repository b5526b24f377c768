#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>

#include "storage/enclosure_info.h"

// Checks a record's JSON against a hand-written expected document, given as the one line the
// service writes for the RMC (empty indentation, keys sorted). The exact text catches a key
// renamed, added or lost, and a number written as text.
inline void expectRecordJson(const Json::Value& actual, const std::string& expectedLine) {
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "";
    EXPECT_EQ(Json::writeString(writer, actual), expectedLine);
}

// The 8-bay backplane behind the SmartRAID 3154-16i in slot 1 of the default host.
inline orbStorageEnclosureInfo sampleEnclosure() {
    orbStorageEnclosureInfo enclosure;
    enclosure.setState(ORB_STATE_RUNNING);
    enclosure.setHealth(ORB_HEALTH_OK);
    enclosure.setBayCount(8);
    enclosure.setBox(1);
    enclosure.setPhysicalLocation("0101000100010000");
    enclosure.setControllerPCILocation("0000:3b:00.0");
    enclosure.setEnclosureType(ORB_ENCLOSURE_TYPE_CHASSIS_INTERNAL);
    enclosure.setSegmentCount(2);
    enclosure.setFirmwareVersion("2.20");
    enclosure.setModel("8 SFF Backplane");
    enclosure.setType("Backplane");
    enclosure.setPartNumber("BP-8SFF-01");
    enclosure.setSerialNumber("BPS0042");
    return enclosure;
}
