#pragma once

#include <cstdint>
#include <string>

#include "storage/disk_phy_loc.h"
#include "storage/status_info.h"
#include "storage/tristate_bool.h"

// One physical drive behind a SAS/SATA controller: its identity, where the operating system
// and the server place it, what the drive answered to the health queries, and its status.
class orbDiskInfo : public virtual orbInventoryBase,
                    public orbDiskStatusInfo,
                    public orbDiskPhyLoc {
  public:
    // {"Type": "Drive", "Data": {identity, "CapacityBytes" as a number, "Oem": location},
    // "EventInfo"}.
    Json::Value getVariableData() const override;
    // None: the storage manager builds the drive entries from the getters.
    Json::Value getInventoryData() const override;

    std::string getSerialNumber() const { return SerialNumber; }
    void setSerialNumber(const std::string& serial) { SerialNumber = serial; }
    std::string getPartNumber() const { return PartNumber; }
    void setPartNumber(const std::string& part) { PartNumber = part; }
    std::string getModel() const { return Model; }
    void setModel(const std::string& model) { Model = model; }
    uint64_t getCapacityBytes() const { return CapacityBytes; }
    void setCapacityBytes(uint64_t bytes) { CapacityBytes = bytes; }
    std::string getProtocol() const { return Protocol; }
    void setProtocol(const std::string& protocol) { Protocol = protocol; }
    std::string getManufacturer() const { return Manufacturer; }
    void setManufacturer(const std::string& manufacturer) { Manufacturer = manufacturer; }
    std::string getMediaType() const { return MediaType; }
    void setMediaType(const std::string& type) { MediaType = type; }
    std::string getRevision() const { return Revision; }
    void setRevision(const std::string& revision) { Revision = revision; }
    std::string getOSDeviceName() const { return OSDeviceName; }
    void setOSDeviceName(const std::string& name) { OSDeviceName = name; }
    std::string getOSSCSILink() const { return OSSCSILink; }
    void setOSSCSILink(const std::string& link) { OSSCSILink = link; }
    int getOSSGHandle() const { return OSSGHandle; }
    void setOSSGHandle(int descriptor) { OSSGHandle = descriptor; }
    int getATAMajorRevision() const { return ATAMajorRevision; }
    void setATAMajorRevision(int revision) { ATAMajorRevision = revision; }
    std::string getEventInfoString() const { return EventInfoString; }
    void setEventInfoString(const std::string& text) { EventInfoString = text; }
    bool getIfTempPageSupported() const { return IfTempPageSupported; }
    void setIfTempPageSupported(bool supported) { IfTempPageSupported = supported; }
    bool getIfSSDWearPageSupported() const { return IfSSDWearPageSupported; }
    void setIfSSDWearPageSupported(bool supported) { IfSSDWearPageSupported = supported; }
    bool getDeviceMissing() const { return DeviceMissing; }
    void setDeviceMissing(bool missing) { DeviceMissing = missing; }
    TRISTATE_BOOL getPreferSCModelNumber() const { return PreferSCModelNumber; }
    void setPreferSCModelNumber(TRISTATE_BOOL prefer) { PreferSCModelNumber = prefer; }

    // Same drive in the same place and status with the same answers. The descriptor open while
    // a query runs and what was last reported in an event are not compared.
    bool operator==(const orbDiskInfo& other) const;
    bool operator!=(const orbDiskInfo& other) const { return !(*this == other); }

  private:
    std::string SerialNumber;
    std::string PartNumber;
    std::string Model;
    uint64_t CapacityBytes = 0;
    std::string Protocol;
    std::string Manufacturer;
    std::string MediaType;
    std::string Revision;
    std::string OSDeviceName;
    std::string OSSCSILink;
    // The drive's SCSI generic descriptor while a query has it open, else -1.
    int OSSGHandle = -1;
    int ATAMajorRevision = 0;
    std::string EventInfoString;
    // Cleared once the drive has shown it lacks the page, so it is not asked again.
    bool IfTempPageSupported = true;
    bool IfSSDWearPageSupported = true;
    bool DeviceMissing = false;
    TRISTATE_BOOL PreferSCModelNumber = TRISTATE_UNDETERMINED;
};
