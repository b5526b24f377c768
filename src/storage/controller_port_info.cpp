#include "storage/controller_port_info.h"

Json::Value orbStorageControllerPortInfo::getVariableData() const {
    return Json::Value(Json::nullValue);
}

Json::Value orbStorageControllerPortInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}

bool orbStorageControllerPortInfo::operator==(const orbStorageControllerPortInfo& other) const {
    return !isStatusChangedFrom(other) && OSInstanceName == other.OSInstanceName &&
           DriverName == other.DriverName && LastRecoveryTimestamp == other.LastRecoveryTimestamp &&
           ATADeviceNumber == other.ATADeviceNumber;
}
