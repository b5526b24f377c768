#include "storage/sas_inventory_json.h"

#include <string>

namespace {

Json::Value statusJson(const orbStatusInfo& status) {
    Json::Value object(Json::objectValue);
    object["State"] = orbResourceStateText(status.getState());
    object["Health"] = orbResourceHealthText(status.getHealth());
    return object;
}

}  // namespace

Json::Value orbControllerInventoryJson(const orbStorageControllerInfo& controller) {
    Json::Value entry(Json::objectValue);
    entry["Model"] = controller.getModel();
    entry["SerialNumber"] = controller.getSerialNumber();
    entry["PartNumber"] = controller.getPartNumber();
    entry["FirmwareVersion"] = controller.getFirmwareVersion();
    entry["Protocol"] = controller.getProtocol();
    entry["Manufacturer"] = controller.getManufacturer();
    entry["Status"] = statusJson(controller);
    Json::Value oem(Json::objectValue);
    oem["Description"] = controller.getDescription();
    oem["PhysicalLocation"] = controller.getPhysicalLocation();
    entry["Oem"] = oem;
    return entry;
}

Json::Value orbDriveInventoryJson(const orbDiskInfo& drive) {
    Json::Value entry(Json::objectValue);
    entry["SerialNumber"] = drive.getSerialNumber();
    entry["PartNumber"] = drive.getPartNumber();
    entry["Model"] = drive.getModel();
    entry["CapacityBytes"] = Json::UInt64(drive.getCapacityBytes());
    entry["Protocol"] = drive.getProtocol();
    entry["MediaType"] = drive.getMediaType();
    entry["Revision"] = drive.getRevision();
    entry["Manufacturer"] = drive.getManufacturer();
    entry["Status"] = statusJson(drive);
    Json::Value oem(Json::objectValue);
    oem["Slot"] = drive.getSlot();
    oem["PhysicalLocation"] = drive.orbDiskPhyLoc::getPhysicalLocation();
    entry["Oem"] = oem;
    return entry;
}

Json::Value orbVolumeInventoryJson(const orbLogicalDiskInfo& volume) {
    Json::Value entry(Json::objectValue);
    entry["DurableName"] = volume.getDurableName();
    entry["VolumeType"] = volume.getRAIDLevel();
    entry["CapacityBytes"] = Json::UInt64(volume.getCapacityBytes());
    Json::Value drives(Json::arrayValue);
    for (const std::string& member : volume.getPhysicalDiskVector()) {
        drives.append(member);
    }
    entry["Drives"] = drives;
    entry["Status"] = statusJson(volume);
    Json::Value oem(Json::objectValue);
    oem["DeviceName"] = volume.getDeviceName();
    oem["HostControllerPhysicalLocation"] = volume.getHostControllerPhysicalLocation();
    entry["Oem"] = oem;
    return entry;
}

Json::Value orbEnclosureInventoryJson(const orbStorageEnclosureInfo& enclosure) {
    return enclosure.getInventoryData();
}
