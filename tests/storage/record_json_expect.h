#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <memory>
#include <string>

#include "storage/enclosure_info.h"

// Equal JSON, where an integer read back from text matches the same integer however it was
// stored (the reader keeps every integer that fits as signed); strings never match numbers.
inline bool sameJson(const Json::Value& a, const Json::Value& b) {
    const auto integer = [](const Json::Value& v) {
        return v.type() == Json::intValue || v.type() == Json::uintValue;
    };
    if (integer(a) && integer(b)) {
        return a.isUInt64() == b.isUInt64() &&
               (a.isUInt64() ? a.asUInt64() == b.asUInt64() : a.asInt64() == b.asInt64());
    }
    if (a.type() != b.type() || a.size() != b.size()) {
        return false;
    }
    if (a.isObject()) {
        const auto names = a.getMemberNames();
        return names == b.getMemberNames() &&
               std::all_of(names.begin(), names.end(),
                           [&](const std::string& n) { return sameJson(a[n], b[n]); });
    }
    for (Json::ArrayIndex i = 0; a.isArray() && i < a.size(); ++i) {
        if (!sameJson(a[i], b[i])) {
            return false;
        }
    }
    return a.isArray() || a == b;
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
