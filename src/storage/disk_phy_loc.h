#pragma once

#include <string>

#include "storage/inventory_base.h"

// Where a drive sits: the bay's slot text, the drive's physical location code and, for a
// drive behind a SATA port, the ATA device number the kernel gave that port.
class orbDiskPhyLoc : public virtual orbInventoryBase {
  public:
    // {"Slot", "PhysicalLocation"}; no inventory fragment of its own.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    std::string getSlot() const { return Slot; }
    void setSlot(const std::string& slot) { Slot = slot; }
    std::string getPhysicalLocation() const { return PhysicalLocation; }
    void setPhysicalLocation(const std::string& location) { PhysicalLocation = location; }
    int getATADeviceNumber() const { return ATADeviceNumber; }
    void setATADeviceNumber(int number) { ATADeviceNumber = number; }

    bool operator==(const orbDiskPhyLoc& other) const {
        return Slot == other.Slot && PhysicalLocation == other.PhysicalLocation &&
               ATADeviceNumber == other.ATADeviceNumber;
    }

  private:
    std::string Slot;
    std::string PhysicalLocation;
    int ATADeviceNumber = -1;
};
