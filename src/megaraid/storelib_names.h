#pragma once

#include <cstdint>
#include <string>

// The texts and health codes the service gives the storage library's states and levels.
// Health codes: 1 good, 2 degraded, 3 unknown, 4 failed.
enum : int {
    ORB_MR_HEALTH_GOOD = 1,
    ORB_MR_HEALTH_DEGRADED = 2,
    ORB_MR_HEALTH_UNKNOWN = 3,
    ORB_MR_HEALTH_FAILED = 4,
};

// A drive's firmware state byte: "Online", "Unconfigured bad", "Offline", "Failed",
// "Rebuild" or "Unknown", and its health code.
std::string orbMRFirmwareStateText(uint8_t state);
int orbMRFirmwareStateHealth(uint8_t state);
// A volume's state: "Offline", "Partially degraded", "Degraded", "Optimal" or "Undefined".
std::string orbMRVolumeStateText(uint8_t state);
int orbMRVolumeStateHealth(uint8_t state);
// "RAID1", "RAID10", "SRL 3", ...; empty for a level the tables do not name.
std::string orbMRRaidLevelText(uint8_t primary, uint8_t secondary, uint8_t qualifier,
                               uint8_t spanDepth);
// "SAS", "SATA", "FC", "Parallel SCSI", "NVMe"; empty for an unknown interface.
std::string orbMRInterfaceText(uint8_t interfaceType);
// The firmware's locale bit mask as a text ("PD_EVENT", ..., "NotAvailable").
std::string orbMRLocaleText(uint16_t locale);
