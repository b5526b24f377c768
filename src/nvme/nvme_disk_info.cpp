#include "nvme/nvme_disk_info.h"

#include <utility>

#include "storage/event_payload.h"

Json::Value orbNVMeOemInfo::getVariableData() const {
    Json::Value oem(Json::objectValue);
    oem["Slot"] = Slot;
    oem["PhysicalLocation"] = PhysicalLocation;
    oem["CapacityBytesDetected"] = Json::UInt64(CapacityBytesDetected);
    return oem;
}

Json::Value orbNVMeOemInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}

Json::Value orbNVMeDiskInfo::getVariableData() const {
    Json::Value data(Json::objectValue);
    data["SerialNumber"] = SerialNumber;
    data["PartNumber"] = PartNumber;
    data["Model"] = Model;
    data["CapacityBytes"] = Json::Int64(CapacityBytes);
    data["Protocol"] = Protocol;
    data["MediaType"] = MediaType;
    data["Revision"] = Revision;
    data["Manufacturer"] = Manufacturer;
    data["Oem"] = orbNVMeOemInfo::getVariableData();
    return orbStorageEventPayload("Drive", std::move(data), EventInfoString);
}

Json::Value orbNVMeDiskInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}
