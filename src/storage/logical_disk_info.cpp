#include "storage/logical_disk_info.h"

#include <utility>

#include "storage/event_payload.h"
#include "storage/record_list_index.h"

namespace {

std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> cloneOf(
    const orbLogicalDiskConsistencyCheckStateBase* state) {
    return state != nullptr ? state->clone() : nullptr;
}

}  // namespace

orbLogicalDiskInfo::orbLogicalDiskInfo(const orbLogicalDiskInfo& other)
    : orbInventoryBase(other), orbStatusInfo(), orbLogicalDiskOEMInfo(other), Fields(other.Fields) {
    copyCurrentStatus(other);
    cloneConsistencyCheckState(other);
}

orbLogicalDiskInfo& orbLogicalDiskInfo::operator=(const orbLogicalDiskInfo& other) {
    if (this == &other) {
        return *this;
    }
    copyCurrentStatus(other);
    orbLogicalDiskOEMInfo::operator=(other);
    Fields = other.Fields;
    cloneConsistencyCheckState(other);
    return *this;
}

Json::Value orbLogicalDiskInfo::getVariableData() const {
    Json::Value data(Json::objectValue);
    data["DurableName"] = Fields.DurableName;
    data["VolumeType"] = Fields.RAIDLevel;
    data["CapacityBytes"] = Json::Value(static_cast<Json::UInt64>(Fields.CapacityBytes));
    if (!Fields.PhysicalDisks.empty()) {
        Json::Value drives(Json::arrayValue);
        for (const std::string& disk : Fields.PhysicalDisks) {
            drives.append(disk);
        }
        data["Drives"] = std::move(drives);
    }
    data["Oem"] = orbLogicalDiskOEMInfo::getVariableData();
    return orbStorageEventPayload("Volume", std::move(data), Fields.EventInfoString);
}

Json::Value orbLogicalDiskInfo::getInventoryData() const {
    return Json::Value(Json::nullValue);
}

std::string orbLogicalDiskInfo::getPhysicalDisk(size_t index) const {
    if (!orbIsRecordListIndexValid(index, Fields.PhysicalDisks.size(), "getPhysicalDisk")) {
        return std::string();
    }
    return Fields.PhysicalDisks[index];
}

bool orbLogicalDiskInfo::setPhysicalDisk(size_t index, const std::string& disk) {
    if (!orbIsRecordListIndexValid(index, Fields.PhysicalDisks.size(), "setPhysicalDisk")) {
        return false;
    }
    Fields.PhysicalDisks[index] = disk;
    return true;
}

bool orbLogicalDiskInfo::deletePhysicalDisk(size_t index) {
    if (!orbIsRecordListIndexValid(index, Fields.PhysicalDisks.size(), "deletePhysicalDisk")) {
        return false;
    }
    Fields.PhysicalDisks.erase(Fields.PhysicalDisks.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void orbLogicalDiskInfo::cleanExistingObjReferences() {
    CurrentCCState.reset();
    PreviousCCState.reset();
}

void orbLogicalDiskInfo::cloneConsistencyCheckState(const orbLogicalDiskInfo& other) {
    // Clone before letting go of the old states: when other is this record, cleaning first
    // would destroy the very states that were to be copied.
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> current =
        cloneOf(other.CurrentCCState.get());
    std::unique_ptr<orbLogicalDiskConsistencyCheckStateBase> previous =
        cloneOf(other.PreviousCCState.get());
    cleanExistingObjReferences();
    CurrentCCState = std::move(current);
    PreviousCCState = std::move(previous);
}

bool orbLogicalDiskInfo::VolumeFields::operator==(const VolumeFields& other) const {
    return DurableName == other.DurableName && RAIDLevel == other.RAIDLevel &&
           CapacityBytes == other.CapacityBytes && PhysicalDisks == other.PhysicalDisks &&
           Description == other.Description && LogicalDiskID == other.LogicalDiskID &&
           EventInfoString == other.EventInfoString && DeviceMissing == other.DeviceMissing &&
           DeletedEventReceived == other.DeletedEventReceived;
}

bool orbLogicalDiskInfo::operator==(const orbLogicalDiskInfo& other) const {
    return !isStatusChangedFrom(other) &&
           static_cast<const orbLogicalDiskOEMInfo&>(*this) == other && Fields == other.Fields;
}
