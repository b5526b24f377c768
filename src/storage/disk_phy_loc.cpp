#include "storage/disk_phy_loc.h"

Json::Value orbDiskPhyLoc::getVariableData() const {
    Json::Value location(Json::objectValue);
    location["Slot"] = Slot;
    location["PhysicalLocation"] = PhysicalLocation;
    return location;
}

Json::Value orbDiskPhyLoc::getInventoryData() const {
    return Json::Value(Json::nullValue);
}
