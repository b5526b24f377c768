#include "storage/io_controller_phy_loc.h"

Json::Value orbIOControllerPhyLoc::getVariableData() const {
    Json::Value location(Json::objectValue);
    location["PhysicalLocation"] = PhysicalLocation;
    location["Description"] = Description;
    return location;
}

Json::Value orbIOControllerPhyLoc::getInventoryData() const {
    return Json::Value(Json::nullValue);
}
