#include "storage/logical_disk_oem_info.h"

Json::Value orbLogicalDiskOEMInfo::getVariableData() const {
    Json::Value oem(Json::objectValue);
    oem["DeviceName"] = DeviceName;
    oem["HostControllerPhysicalLocation"] = HostControllerPhysicalLocation;
    return oem;
}

Json::Value orbLogicalDiskOEMInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}
