#include "storage/controller_info.h"

#include <utility>

#include "storage/event_payload.h"
#include "storage/record_list_index.h"

Json::Value orbStorageControllerInfo::getVariableData() const {
    Json::Value data(Json::objectValue);
    data["Model"] = Model;
    data["SerialNumber"] = SerialNumber;
    data["PartNumber"] = PartNumber;
    data["FirmwareVersion"] = FirmwareVersion;
    data["Protocol"] = Protocol;
    data["Manufacturer"] = Manufacturer;
    data["Oem"] = orbIOControllerPhyLoc::getVariableData();
    return orbStorageEventPayload("Controller", std::move(data), EventInfoString);
}

Json::Value orbStorageControllerInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}

orbStorageControllerPortInfo orbStorageControllerInfo::getControllerPort(size_t index) const {
    if (!orbIsRecordListIndexValid(index, ControllerPorts.size(), "getControllerPort")) {
        return orbStorageControllerPortInfo();
    }
    return ControllerPorts[index];
}

bool orbStorageControllerInfo::setControllerPort(size_t index,
                                                 const orbStorageControllerPortInfo& port) {
    if (!orbIsRecordListIndexValid(index, ControllerPorts.size(), "setControllerPort")) {
        return false;
    }
    ControllerPorts[index] = port;
    return true;
}

bool orbStorageControllerInfo::deleteControllerPort(size_t index) {
    if (!orbIsRecordListIndexValid(index, ControllerPorts.size(), "deleteControllerPort")) {
        return false;
    }
    ControllerPorts.erase(ControllerPorts.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

bool orbStorageControllerInfo::operator==(const orbStorageControllerInfo& other) const {
    return !isStatusChangedFrom(other) &&
           static_cast<const orbIOControllerPhyLoc&>(*this) == other &&
           DeviceName == other.DeviceName && Model == other.Model &&
           SerialNumber == other.SerialNumber && PartNumber == other.PartNumber &&
           FirmwareVersion == other.FirmwareVersion && Manufacturer == other.Manufacturer &&
           Protocol == other.Protocol && ChipsetID == other.ChipsetID && BoardID == other.BoardID &&
           ControllerPorts == other.ControllerPorts && EventInfoString == other.EventInfoString;
}
