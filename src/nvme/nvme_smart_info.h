#pragma once

#include <cstdint>
#include <string>

#include "storage/resource_status.h"

// What one read of an NVMe device's SMART / Health Information log says: the five bits of its
// Critical Warning byte, two counters the events quote, and the state and health derived from
// the bits. A log that could not be read leaves the health Unknown, so that a failed read is
// never taken for a healthy device.
struct orbNvmeSmartInfo {
    std::string deviceName;
    bool AvailableSpareBelowThreshold = false;  // bit 0
    bool TemperatureWarning = false;            // bit 1
    bool ReliabilityDegraded = false;           // bit 2
    bool ReadOnlyMode = false;                  // bit 3
    bool VolatileMemoryBackupFailed = false;    // bit 4
    int64_t PercentageUsed = 0;
    int64_t PowerOnHours = 0;
    ORB_RESOURCE_STATE state = ORB_STATE_UNKNOWN;
    ORB_RESOURCE_HEALTH health = ORB_HEALTH_UNKNOWN;

    // Sets state and health from the five bits: the device's own warning bits decide, no
    // threshold of ours.
    void deriveStatus();
    bool isKnown() const { return health != ORB_HEALTH_UNKNOWN; }
};
