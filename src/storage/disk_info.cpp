#include "storage/disk_info.h"

#include <utility>

#include "storage/event_payload.h"

Json::Value orbDiskInfo::getVariableData() const {
    Json::Value data(Json::objectValue);
    data["SerialNumber"] = SerialNumber;
    data["PartNumber"] = PartNumber;
    data["Model"] = Model;
    data["CapacityBytes"] = Json::Value(static_cast<Json::UInt64>(CapacityBytes));
    data["Protocol"] = Protocol;
    data["MediaType"] = MediaType;
    data["Revision"] = Revision;
    data["Manufacturer"] = Manufacturer;
    data["Oem"] = orbDiskPhyLoc::getVariableData();
    return orbStorageEventPayload("Drive", std::move(data), EventInfoString);
}

Json::Value orbDiskInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}

bool orbDiskInfo::operator==(const orbDiskInfo& other) const {
    return !isStatusChangedFrom(other) && static_cast<const orbDiskPhyLoc&>(*this) == other &&
           SerialNumber == other.SerialNumber && PartNumber == other.PartNumber &&
           Model == other.Model && CapacityBytes == other.CapacityBytes &&
           Protocol == other.Protocol && Manufacturer == other.Manufacturer &&
           MediaType == other.MediaType && Revision == other.Revision &&
           OSDeviceName == other.OSDeviceName && OSSCSILink == other.OSSCSILink &&
           ATAMajorRevision == other.ATAMajorRevision && EventInfoString == other.EventInfoString &&
           IfTempPageSupported == other.IfTempPageSupported &&
           IfSSDWearPageSupported == other.IfSSDWearPageSupported &&
           DeviceMissing == other.DeviceMissing && PreferSCModelNumber == other.PreferSCModelNumber;
}
