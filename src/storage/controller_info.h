#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/controller_port_info.h"
#include "storage/io_controller_phy_loc.h"
#include "storage/status_info.h"

// One storage controller: its identity, its location, its ports and its status.
class orbStorageControllerInfo : public virtual orbInventoryBase,
                                 public orbStatusInfo,
                                 public orbIOControllerPhyLoc {
  public:
    // {"Type": "Controller", "Data": {identity, "Oem": location}, "EventInfo"}. The status is
    // not part of it: the event id tells what happened.
    Json::Value getVariableData() const override;
    // None: the storage manager builds the controller entries from the getters.
    Json::Value getInventoryData() const override;

    std::string getDeviceName() const { return DeviceName; }
    void setDeviceName(const std::string& name) { DeviceName = name; }
    std::string getModel() const { return Model; }
    void setModel(const std::string& model) { Model = model; }
    std::string getSerialNumber() const { return SerialNumber; }
    void setSerialNumber(const std::string& serial) { SerialNumber = serial; }
    std::string getPartNumber() const { return PartNumber; }
    void setPartNumber(const std::string& part) { PartNumber = part; }
    std::string getFirmwareVersion() const { return FirmwareVersion; }
    void setFirmwareVersion(const std::string& version) { FirmwareVersion = version; }
    std::string getManufacturer() const { return Manufacturer; }
    void setManufacturer(const std::string& manufacturer) { Manufacturer = manufacturer; }
    std::string getProtocol() const { return Protocol; }
    void setProtocol(const std::string& protocol) { Protocol = protocol; }
    uint32_t getChipsetID() const { return ChipsetID; }
    void setChipsetID(uint32_t id) { ChipsetID = id; }
    uint32_t getBoardID() const { return BoardID; }
    void setBoardID(uint32_t id) { BoardID = id; }

    // The port list. An index at or past the end is refused: the getter gives an empty port,
    // the setter and the delete change nothing and return false, and each logs the refusal.
    std::vector<orbStorageControllerPortInfo> getControllerPortVector() const {
        return ControllerPorts;
    }
    orbStorageControllerPortInfo getControllerPort(size_t index) const;
    bool setControllerPort(size_t index, const orbStorageControllerPortInfo& port);
    void addControllerPort(const orbStorageControllerPortInfo& port) {
        ControllerPorts.push_back(port);
    }
    void clearControllerPortList() { ControllerPorts.clear(); }
    size_t getControllerPortListSize() const { return ControllerPorts.size(); }
    bool deleteControllerPort(size_t index);

    std::string getEventInfoString() const { return EventInfoString; }
    void setEventInfoString(const std::string& text) { EventInfoString = text; }

    // Same controller with the same description, ports and status; what was last reported in
    // an event is not compared.
    bool operator==(const orbStorageControllerInfo& other) const;
    bool operator!=(const orbStorageControllerInfo& other) const { return !(*this == other); }

  private:
    std::string DeviceName;
    std::string Model;
    std::string SerialNumber;
    std::string PartNumber;
    std::string FirmwareVersion;
    std::string Manufacturer;
    std::string Protocol;
    // PCI vendor and device identity of the chip, and the board's subsystem identity.
    uint32_t ChipsetID = 0;
    uint32_t BoardID = 0;
    std::vector<orbStorageControllerPortInfo> ControllerPorts;
    std::string EventInfoString;
};
