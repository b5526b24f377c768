#pragma once

#include <string>

#include "storage/inventory_base.h"

// The server-specific part of a volume: the operating system's device name for it and the
// physical location of the controller that hosts it.
class orbLogicalDiskOEMInfo : public virtual orbInventoryBase {
  public:
    // {"DeviceName", "HostControllerPhysicalLocation"}; no inventory fragment of its own.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    std::string getDeviceName() const { return DeviceName; }
    void setDeviceName(const std::string& name) { DeviceName = name; }
    std::string getHostControllerPhysicalLocation() const { return HostControllerPhysicalLocation; }
    void setHostControllerPhysicalLocation(const std::string& location) {
        HostControllerPhysicalLocation = location;
    }

    bool operator==(const orbLogicalDiskOEMInfo& other) const {
        return DeviceName == other.DeviceName &&
               HostControllerPhysicalLocation == other.HostControllerPhysicalLocation;
    }

  private:
    std::string DeviceName;
    std::string HostControllerPhysicalLocation;
};
