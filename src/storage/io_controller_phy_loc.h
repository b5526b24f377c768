#pragma once

#include <string>

#include "storage/inventory_base.h"

// Where a controller sits: its physical location code and the location's description.
class orbIOControllerPhyLoc : public virtual orbInventoryBase {
  public:
    // {"PhysicalLocation", "Description"}; no inventory fragment of its own.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    std::string getPhysicalLocation() const { return PhysicalLocation; }
    void setPhysicalLocation(const std::string& location) { PhysicalLocation = location; }
    std::string getDescription() const { return Description; }
    void setDescription(const std::string& description) { Description = description; }

    bool operator==(const orbIOControllerPhyLoc& other) const {
        return PhysicalLocation == other.PhysicalLocation && Description == other.Description;
    }

  private:
    std::string PhysicalLocation;
    std::string Description;
};
