#pragma once

#include <string>

#include "storage/status_info.h"

// One port of a storage controller: the SCSI host the operating system made for it, its
// driver, and its status. A port is reported through its controller, so it has no JSON of its
// own.
class orbStorageControllerPortInfo : public virtual orbInventoryBase, public orbStatusInfo {
  public:
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;

    std::string getOSInstanceName() const { return OSInstanceName; }
    void setOSInstanceName(const std::string& name) { OSInstanceName = name; }
    std::string getDriverName() const { return DriverName; }
    void setDriverName(const std::string& name) { DriverName = name; }
    long getLastRecoveryTimestamp() const { return LastRecoveryTimestamp; }
    void setLastRecoveryTimestamp(long seconds) { LastRecoveryTimestamp = seconds; }
    int getATADeviceNumber() const { return ATADeviceNumber; }
    void setATADeviceNumber(int number) { ATADeviceNumber = number; }

    // Same port in the same status; what was last reported in an event is not compared.
    bool operator==(const orbStorageControllerPortInfo& other) const;
    bool operator!=(const orbStorageControllerPortInfo& other) const { return !(*this == other); }

  private:
    std::string OSInstanceName;
    std::string DriverName;
    // When the port entered its recovery state (seconds); 0 while it is not recovering.
    long LastRecoveryTimestamp = 0;
    int ATADeviceNumber = -1;
};
