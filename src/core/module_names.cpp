#include "core/module_names.h"

const std::map<int, std::string> ORB_MODULE_NAME_MAP = {
    {RESOURCE_FC, "FibreChannelDevices"},
    {RESOURCE_HOST, "HostOSInfo"},
    {RESOURCE_SAS, "StorageControllers"},
    {RESOURCE_NIC, "EthernetDevices"},
    {RESOURCE_NVME, "NVMeControllers"},
    {RESOURCE_GPU, "GPUDevices"},
    {RESOURCE_INFINIBAND, "InfiniBandDevices"},
    {RESOURCE_TPM, "TrustedPlatformModule"},
    {100, "ProcessorTelemetry"},
    {101, "MemoryTelemetry"},
    {102, "NetworkTelemetry"},
    {103, "StorageTelemetry"},
    {104, "FileServiceTelemetry"},
    {105, "NumastatTelemetry"},
    {106, "NvdimmTelemetry"},
};

const std::string* orbModuleName(int type) {
    auto it = ORB_MODULE_NAME_MAP.find(type);
    return it == ORB_MODULE_NAME_MAP.end() ? nullptr : &it->second;
}
