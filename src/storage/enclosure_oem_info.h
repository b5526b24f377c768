#pragma once

#include <string>

#include "storage/enclosure_type.h"
#include "storage/inventory_base.h"

// The server-specific part of a storage enclosure: the backplane's box number and bay count,
// its location, the controller that reported it and how many segments it has.
class orbStorageEnclosureOEMInfo : public virtual orbInventoryBase {
  public:
    // Both shapes are {"Box", "PhysicalLocation"}; the backplane's "BayCount" and
    // "SegmentCount" are added only while the debug log is on.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    int getBayCount() const { return BayCount; }
    void setBayCount(int count) { BayCount = count; }
    int getBox() const { return Box; }
    void setBox(int box) { Box = box; }
    std::string getPhysicalLocation() const { return PhysicalLocation; }
    void setPhysicalLocation(const std::string& location) { PhysicalLocation = location; }
    std::string getControllerPCILocation() const { return ControllerPCILocation; }
    void setControllerPCILocation(const std::string& location) { ControllerPCILocation = location; }
    ORB_STORAGE_ENCLOSURE_TYPE getEnclosureType() const { return EnclosureType; }
    void setEnclosureType(ORB_STORAGE_ENCLOSURE_TYPE type) { EnclosureType = type; }
    int getSegmentCount() const { return SegmentCount; }
    void setSegmentCount(int count) { SegmentCount = count; }

    bool operator==(const orbStorageEnclosureOEMInfo& other) const {
        return BayCount == other.BayCount && Box == other.Box &&
               PhysicalLocation == other.PhysicalLocation &&
               ControllerPCILocation == other.ControllerPCILocation &&
               EnclosureType == other.EnclosureType && SegmentCount == other.SegmentCount;
    }

  private:
    int BayCount = 0;
    int Box = 0;
    std::string PhysicalLocation;
    std::string ControllerPCILocation;
    ORB_STORAGE_ENCLOSURE_TYPE EnclosureType = ORB_ENCLOSURE_TYPE_UNKNOWN;
    int SegmentCount = 0;
};
