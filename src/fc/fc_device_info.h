#pragma once

#include <string>

#include "fc/hba_api.h"
#include "storage/resource_status.h"

// The state and health of an adapter as the inventory reports them; an adapter none of whose
// ports answered stays Unknown.
struct orbFCDeviceStatusInfo {
    ORB_RESOURCE_STATE FCDeviceState = ORB_STATE_UNKNOWN;
    ORB_RESOURCE_HEALTH FCDeviceHealth = ORB_HEALTH_UNKNOWN;
};

struct orbFCDevicePhyLoc {
    std::string FCPhysicalLocation = "Not Available";
};

// One Fibre Channel adapter of a build, as the HBA API and the host describe it.
class orbFCDeviceInfo {
  public:
    // The HBA API's adapter names fill buffers of this size.
    static constexpr size_t kAdapterNameSize = 256;

    int getorbFCNumberOfPorts() const { return NumberOfPorts; }
    void setorbFCNumberOfPorts(int value) { NumberOfPorts = value; }
    unsigned getorbFCAdapterIndex() const { return AdapterIndex; }
    void setorbFCAdapterIndex(unsigned value) { AdapterIndex = value; }
    HBA_HANDLE getorbFCHandle() const { return Handle; }
    void setorbFCHandle(HBA_HANDLE value) { Handle = value; }
    // Terminated: the buffer is zeroed and the loader copies at most kAdapterNameSize - 1
    // characters into it.
    char* getorbFCAdapterName() { return AdapterName; }
    const char* getorbFCAdapterName() const { return AdapterName; }

    const std::string& getorbFCSlot() const { return Slot; }
    void setorbFCSlot(const std::string& value) { Slot = value; }
    const std::string& getorbFCModel() const { return Model; }
    void setorbFCModel(const std::string& value) { Model = value; }
    const std::string& getorbFCSerialNumber() const { return SerialNumber; }
    void setorbFCSerialNumber(const std::string& value) { SerialNumber = value; }
    const std::string& getorbFCPartNumber() const { return PartNumber; }
    void setorbFCPartNumber(const std::string& value) { PartNumber = value; }
    const std::string& getorbFCFirmwareVersion() const { return FirmwareVersion; }
    void setorbFCFirmwareVersion(const std::string& value) { FirmwareVersion = value; }
    const std::string& getorbFCRomVersion() const { return RomVersion; }
    void setorbFCRomVersion(const std::string& value) { RomVersion = value; }
    const std::string& getorbFCWWPN() const { return WWPN; }
    void setorbFCWWPN(const std::string& value) { WWPN = value; }
    const std::string& getorbFCWWNN() const { return WWNN; }
    void setorbFCWWNN(const std::string& value) { WWNN = value; }
    const std::string& getorbFCDescription() const { return Description; }
    void setorbFCDescription(const std::string& value) { Description = value; }
    const std::string& getorbFCManufacturer() const { return Manufacturer; }
    void setorbFCManufacturer(const std::string& value) { Manufacturer = value; }
    const orbFCDeviceStatusInfo& getorbFCStatus() const { return Status; }
    void setorbFCStatus(ORB_RESOURCE_STATE state, ORB_RESOURCE_HEALTH health) {
        Status.FCDeviceState = state;
        Status.FCDeviceHealth = health;
    }
    const std::string& getorbFCOemPhyLoc() const { return OemPhyLoc.FCPhysicalLocation; }
    void setorbOemPhyLoc(const std::string& value) { OemPhyLoc.FCPhysicalLocation = value; }

  private:
    int NumberOfPorts = 0;
    unsigned AdapterIndex = 0;
    HBA_HANDLE Handle = 0;
    char AdapterName[kAdapterNameSize] = {};
    std::string Slot = "Not Available";
    std::string Model = "Not Available";
    std::string SerialNumber = "Not Available";
    std::string PartNumber = "Not Available";
    std::string FirmwareVersion = "Not Available";
    std::string RomVersion = "Not Available";
    std::string WWPN = "Not Available";
    std::string WWNN = "Not Available";
    std::string Description;
    std::string Manufacturer = "Not Available";
    orbFCDeviceStatusInfo Status;
    orbFCDevicePhyLoc OemPhyLoc;
};
