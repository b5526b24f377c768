#include "megaraid/storelib_names.h"

#include <map>

#include "megaraid/storelib_abi.h"

namespace {

const std::map<int, const char*>& basicRaidTypes() {
    static const std::map<int, const char*> table = {{0, "RAID0"},      {1, "RAID1"}, {3, "RAID3"},
                                                     {5, "RAID5"},      {6, "RAID6"}, {17, "PRL11"},
                                                     {15, "SingleDisk"}};
    return table;
}

const std::map<int, const char*>& hybridRaidTypes() {
    static const std::map<int, const char*> table = {
        {0, "RAID00"}, {1, "RAID10"}, {5, "RAID50"}, {6, "RAID60"}, {17, "PRL11 with Spanning"}};
    return table;
}

}  // namespace

std::string orbMRFirmwareStateText(uint8_t state) {
    switch (state) {
        case 0x00:
        case 0x02:
        case 0x18:
        case 0x20:
        case 0x40:
            return "Online";
        case 0x01:
            return "Unconfigured bad";
        case 0x10:
            return "Offline";
        case 0x11:
            return "Failed";
        case 0x14:
            return "Rebuild";
        default:
            return "Unknown";
    }
}

int orbMRFirmwareStateHealth(uint8_t state) {
    switch (state) {
        case 0x00:
        case 0x02:
        case 0x14:
        case 0x18:
        case 0x20:
        case 0x40:
            return ORB_MR_HEALTH_GOOD;
        case 0x01:
        case 0x10:
        case 0x11:
            return ORB_MR_HEALTH_FAILED;
        default:
            return ORB_MR_HEALTH_UNKNOWN;
    }
}

std::string orbMRVolumeStateText(uint8_t state) {
    static const char* const kTexts[] = {"Offline", "Partially degraded", "Degraded", "Optimal"};
    return state < 4 ? kTexts[state] : "Undefined";
}

int orbMRVolumeStateHealth(uint8_t state) {
    static const int kHealth[] = {ORB_MR_HEALTH_FAILED, ORB_MR_HEALTH_DEGRADED,
                                  ORB_MR_HEALTH_DEGRADED, ORB_MR_HEALTH_GOOD};
    return state < 4 ? kHealth[state] : ORB_MR_HEALTH_UNKNOWN;
}

std::string orbMRRaidLevelText(uint8_t primary, uint8_t, uint8_t qualifier, uint8_t spanDepth) {
    auto basic = basicRaidTypes().find(primary);
    if (basic == basicRaidTypes().end()) {
        return std::string();
    }
    if (qualifier == 3) {
        return "SRL 3";
    }
    if (spanDepth < 2) {
        return basic->second;
    }
    // Spanned RAID 5 and 6 are RAID 50 and 60: the hybrid table names every spanned level it
    // holds.
    auto hybrid = hybridRaidTypes().find(primary);
    return hybrid != hybridRaidTypes().end() ? hybrid->second : std::string();
}

std::string orbMRInterfaceText(uint8_t interfaceType) {
    switch (interfaceType) {
        case MR_PD_INTERFACE_PARALLEL_SCSI:
            return "Parallel SCSI";
        case MR_PD_INTERFACE_SAS:
            return "SAS";
        case MR_PD_INTERFACE_SATA:
            return "SATA";
        case MR_PD_INTERFACE_FC:
            return "FC";
        case MR_PD_INTERFACE_NVME:
            return "NVMe";
        default:
            return std::string();
    }
}

std::string orbMRLocaleText(uint16_t locale) {
    switch (locale) {
        case 0x0001:
            return "LD_EVENT";
        case 0x0002:
            return "PD_EVENT";
        case 0x0004:
            return "ENCLOSURE_EVENT";
        case 0x0008:
            return "BBU_EVENT";
        case 0x0010:
            return "SAS_EVENT";
        case 0x0020:
            return "CTRL_EVENT";
        case 0x0040:
            return "CONFIG_CHNG_EVENT";
        case 0x0080:
            return "CLUSTER_EVENT";
        case 0xFFFF:
            return "ALL_EVENT";
        default:
            return "NotAvailable";
    }
}
