#include "storage/logical_disk_ext_info.h"

Json::Value orbLogicalDiskExtInfo::getVariableData() const {
    return orbLogicalDiskOEMInfo::getVariableData();
}

Json::Value orbLogicalDiskExtInfo::getInventoryData() const {
    return orbLogicalDiskOEMInfo::getInventoryData();
}
