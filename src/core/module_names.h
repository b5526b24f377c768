#pragma once

#include <map>
#include <string>

// Resource-type codes. Codes 5 to 7 and the telemetry codes have names but no manager.
enum ResourceType : int {
    RESOURCE_FC = 0,
    RESOURCE_HOST = 1,
    RESOURCE_SAS = 2,
    RESOURCE_NIC = 3,
    RESOURCE_NVME = 4,
    RESOURCE_GPU = 5,
    RESOURCE_INFINIBAND = 6,
    RESOURCE_TPM = 7,
};

// Code to the name used in the configuration and in the inventory ("HostOSInfo", ...).
extern const std::map<int, std::string> ORB_MODULE_NAME_MAP;

// The module name of a code, or nullptr when the code has none.
const std::string* orbModuleName(int type);
