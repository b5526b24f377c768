#pragma once

#include <cstdint>
#include <string>

#include "storage/status_info.h"

// The server-specific part of an NVMe drive record: its slot, its physical location code and
// the capacity found on its namespaces.
class orbNVMeOemInfo : public virtual orbInventoryBase {
  public:
    // {"Slot", "PhysicalLocation", "CapacityBytesDetected"}; no inventory fragment of its own.
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    int getSlot() const { return Slot; }
    void setSlot(int slot) { Slot = slot; }
    std::string getPhysicalLocation() const { return PhysicalLocation; }
    void setPhysicalLocation(const std::string& location) { PhysicalLocation = location; }
    uint64_t getCapacityBytesDetected() const { return CapacityBytesDetected; }
    void setCapacityBytesDetected(uint64_t bytes) { CapacityBytesDetected = bytes; }

  private:
    int Slot = 0;
    std::string PhysicalLocation;
    uint64_t CapacityBytesDetected = 0;
};

// One NVMe drive. ESXi shows every NVMe device as an adapter carrying one drive, so the drive
// is named by its adapter (DeviceName), like the controller record of the same device.
class orbNVMeDiskInfo : public virtual orbInventoryBase,
                        public orbDiskStatusInfo,
                        public orbNVMeOemInfo {
  public:
    // {"Type": "Drive", "Data": {identity, "CapacityBytes", "Oem"}, "EventInfo"}.
    Json::Value getVariableData() const override;
    // None: the NVMe manager builds the drive entries from the getters.
    Json::Value getInventoryData() const override;

    std::string getDeviceName() const { return DeviceName; }
    void setDeviceName(const std::string& name) { DeviceName = name; }
    std::string getSerialNumber() const { return SerialNumber; }
    void setSerialNumber(const std::string& serial) { SerialNumber = serial; }
    std::string getPartNumber() const { return PartNumber; }
    void setPartNumber(const std::string& part) { PartNumber = part; }
    std::string getModel() const { return Model; }
    void setModel(const std::string& model) { Model = model; }
    int64_t getCapacityBytes() const { return CapacityBytes; }
    void setCapacityBytes(int64_t bytes) { CapacityBytes = bytes; }
    std::string getProtocol() const { return Protocol; }
    void setProtocol(const std::string& protocol) { Protocol = protocol; }
    std::string getManufacturer() const { return Manufacturer; }
    void setManufacturer(const std::string& manufacturer) { Manufacturer = manufacturer; }
    std::string getMediaType() const { return MediaType; }
    void setMediaType(const std::string& type) { MediaType = type; }
    std::string getRevision() const { return Revision; }
    void setRevision(const std::string& revision) { Revision = revision; }
    std::string getEventInfoString() const { return EventInfoString; }
    void setEventInfoString(const std::string& text) { EventInfoString = text; }

  private:
    std::string DeviceName;
    std::string SerialNumber;
    std::string PartNumber;
    std::string Model;
    int64_t CapacityBytes = 0;
    std::string Protocol;
    std::string Manufacturer;
    std::string MediaType;
    std::string Revision;
    std::string EventInfoString;
};
