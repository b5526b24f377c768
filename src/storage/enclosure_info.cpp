#include "storage/enclosure_info.h"

#include <utility>

#include "storage/event_payload.h"

Json::Value orbStorageEnclosureInfo::identityData() const {
    Json::Value data(Json::objectValue);
    data["FirmwareVersion"] = FirmwareVersion;
    data["Model"] = Model;
    data["Type"] = Type;
    data["PartNumber"] = PartNumber;
    data["SerialNumber"] = SerialNumber;
    data["Oem"] = orbStorageEnclosureOEMInfo::getVariableData();
    return data;
}

Json::Value orbStorageEnclosureInfo::getVariableData() const {
    // An enclosure keeps no event text of its own.
    return orbStorageEventPayload("StorageEnclosure", identityData(), std::string());
}

Json::Value orbStorageEnclosureInfo::getInventoryData() const {
    Json::Value inventory = identityData();
    inventory["Status"] = orbStatusInfo::getInventoryData();
    return inventory;
}

bool orbStorageEnclosureInfo::operator==(const orbStorageEnclosureInfo& other) const {
    return !isStatusChangedFrom(other) &&
           static_cast<const orbStorageEnclosureOEMInfo&>(*this) == other &&
           FirmwareVersion == other.FirmwareVersion && Model == other.Model && Type == other.Type &&
           PartNumber == other.PartNumber && SerialNumber == other.SerialNumber;
}
