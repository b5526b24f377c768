#pragma once

#include <cstdint>
#include <string>

// One firmware event as the service hands it to event analysis.
struct ORB_SAS_EVENT_DETAIL {
    uint32_t eventCode = 0;
    // The firmware's class plus 2: 2 informational, 3 warning, 4 critical, 5 fatal, 6 dead.
    int eventClass = 0;
    std::string locale = "NotAvailable";
    uint32_t ctrlId = 0;
    std::string ctrlSerialNumber;
    int argType = 0;
    // Drive arguments: the drive's device id, enclosure and slot, and for a state change the
    // firmware states before and after.
    int deviceId = -1;
    int enclosure = -1;
    int slot = -1;
    uint32_t previousState = 0;
    uint32_t newState = 0;
    // Volume arguments: the target id, and a progress or a count.
    int targetId = -1;
    unsigned progress = 0;
    uint32_t count = 0;
    std::string description;
    uint32_t seqNum = 0;
    uint32_t timeStamp = 0;
};
