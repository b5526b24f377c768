#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <memory>
#include <string>

#include "storage/enclosure_info.h"

// Equal JSON, where an integer read back from text matches the same integer however it was
// stored (the reader keeps every integer that fits as signed); strings never match numbers.
inline bool sameJson(const Json::Value& a, const Json::Value& b) {
    const auto isInteger = [](const Json::Value& v) {
        return v.type() == Json::intValue || v.type() == Json::uintValue;
    };
    if (isInteger(a) && isInteger(b)) {
        if (a.isUInt64() && b.isUInt64()) {
            return a.asUInt64() == b.asUInt64();
        }
        return a.isInt64() && b.isInt64() && a.asInt64() == b.asInt64();
    }
    if (a.type() != b.type()) {
        return false;
    }
    if (a.isObject()) {
        if (a.getMemberNames() != b.getMemberNames()) {
            return false;
        }
        for (const std::string& name : a.getMemberNames()) {
            if (!sameJson(a[name], b[name])) {
                return false;
            }
        }
        return true;
    }
    if (a.isArray()) {
        if (a.size() != b.size()) {
            return false;
        }
        for (Json::ArrayIndex i = 0; i < a.size(); ++i) {
            if (!sameJson(a[i], b[i])) {
                return false;
            }
        }
        return true;
    }
    return a == b;
}

// Checks a record's JSON against a hand-written expected document, given as the one line the
// service writes for the RMC (empty indentation, keys sorted): once as JSON values, so that a
// number written as text is caught, and once as that exact text.
inline void expectRecordJson(const Json::Value& actual, const std::string& expectedLine) {
    Json::CharReaderBuilder readerBuilder;
    std::unique_ptr<Json::CharReader> reader(readerBuilder.newCharReader());
    Json::Value expected;
    std::string errors;
    ASSERT_TRUE(reader->parse(expectedLine.data(), expectedLine.data() + expectedLine.size(),
                              &expected, &errors))
        << errors;

    Json::StreamWriterBuilder writerBuilder;
    writerBuilder["indentation"] = "";
    const std::string actualLine = Json::writeString(writerBuilder, actual);
    EXPECT_TRUE(sameJson(actual, expected)) << "got " << actualLine;
    EXPECT_EQ(actualLine, expectedLine);
}

// The 8-bay backplane behind the SAS3008 HBA in slot 1 of the default host.
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
