#include "nvme/nvme_inventory_json.h"

Json::Value orbNvmeDriveInventoryJson(const orbNVMeDiskInfo& drive) {
    Json::Value entry(Json::objectValue);
    entry["SerialNumber"] = drive.getSerialNumber();
    entry["PartNumber"] = drive.getPartNumber();
    entry["Model"] = drive.getModel();
    entry["CapacityBytes"] = Json::Int64(drive.getCapacityBytes());
    entry["Protocol"] = drive.getProtocol();
    entry["MediaType"] = drive.getMediaType();
    entry["Revision"] = drive.getRevision();
    entry["Manufacturer"] = drive.getManufacturer();
    Json::Value status(Json::objectValue);
    status["State"] = orbResourceStateText(drive.getState());
    status["Health"] = orbResourceHealthText(drive.getHealth());
    entry["Status"] = status;
    Json::Value oem(Json::objectValue);
    oem["CapacityBytesDetected"] = Json::UInt64(drive.getCapacityBytesDetected());
    oem["Slot"] = drive.getSlot();
    oem["PhysicalLocation"] = drive.orbNVMeOemInfo::getPhysicalLocation();
    entry["Oem"] = oem;
    return entry;
}
