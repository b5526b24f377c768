#pragma once

#include <string>

#include "storage/location_code.h"

// One physical network port as the inventory reports it.
class PhyAdapterInventory {
  public:
    const std::string& getNICModel() const { return NICModel; }
    void setNICModel(const std::string& value) { NICModel = value; }
    const std::string& getSerialNumber() const { return SerialNumber; }
    void setSerialNumber(const std::string& value) { SerialNumber = value; }
    const std::string& getPartNumber() const { return PartNumber; }
    void setPartNumber(const std::string& value) { PartNumber = value; }
    const std::string& getFirmVersion() const { return FirmVersion; }
    void setFirmVersion(const std::string& value) { FirmVersion = value; }
    const std::string& getDeviceName() const { return DeviceName; }
    void setDeviceName(const std::string& value) { DeviceName = value; }
    const std::string& getMACAddress() const { return MACAddress; }
    void setMACAddress(const std::string& value) { MACAddress = value; }
    int getSpeed() const { return Speed; }
    void setSpeed(int value) { Speed = value; }
    const std::string& getPCIDescription() const { return PCIDescription; }
    void setPCIDescription(const std::string& value) { PCIDescription = value; }
    const std::string& getPhyLocation() const { return PhyLocation; }
    void setPhyLocation(const std::string& value) { PhyLocation = value; }
    const std::string& getState() const { return State; }
    void setState(const std::string& value) { State = value; }
    const std::string& getHealth() const { return Health; }
    void setHealth(const std::string& value) { Health = value; }
    const std::string& getIntfName() const { return IntfName; }
    void setIntfName(const std::string& value) { IntfName = value; }
    const std::string& getLinkStatus() const { return LinkStatus; }
    void setLinkStatus(const std::string& value) { LinkStatus = value; }
    const std::string& getManufacturer() const { return Manufacturer; }
    void setManufacturer(const std::string& value) { Manufacturer = value; }

  private:
    std::string NICModel;
    std::string SerialNumber;
    std::string PartNumber;
    std::string FirmVersion;
    std::string DeviceName;
    std::string MACAddress;
    int Speed = 0;
    std::string PCIDescription;
    std::string PhyLocation = ORB_UNKNOWN_PHYSICAL_LOCATION;
    std::string State;
    std::string Health;
    std::string IntfName;
    std::string LinkStatus;
    std::string Manufacturer;
};
