#pragma once

#include <string>

#include "storage/enclosure_oem_info.h"
#include "storage/status_info.h"

// One storage enclosure (a drive backplane): its identity, its server-specific part and its
// status. Unlike the other records it gives its own inventory fragment, since enclosures
// reported by several controllers are collated before they are listed.
class orbStorageEnclosureInfo : public virtual orbInventoryBase,
                                public orbStatusInfo,
                                public orbStorageEnclosureOEMInfo {
  public:
    // {"Type": "StorageEnclosure", "Data": {identity, "Oem"}, "EventInfo": ""}.
    Json::Value getVariableData() const override;
    // {identity, "Status": {"State", "Health"}, "Oem"}.
    Json::Value getInventoryData() const override;

    std::string getFirmwareVersion() const { return FirmwareVersion; }
    void setFirmwareVersion(const std::string& version) { FirmwareVersion = version; }
    std::string getModel() const { return Model; }
    void setModel(const std::string& model) { Model = model; }
    std::string getType() const { return Type; }
    void setType(const std::string& type) { Type = type; }
    std::string getPartNumber() const { return PartNumber; }
    void setPartNumber(const std::string& part) { PartNumber = part; }
    std::string getSerialNumber() const { return SerialNumber; }
    void setSerialNumber(const std::string& serial) { SerialNumber = serial; }

    // Same enclosure with the same description and status; what was last reported in an
    // event is not compared.
    bool operator==(const orbStorageEnclosureInfo& other) const;
    bool operator!=(const orbStorageEnclosureInfo& other) const { return !(*this == other); }

  private:
    // The identity object both JSON shapes start from.
    Json::Value identityData() const;

    std::string FirmwareVersion;
    std::string Model;
    std::string Type;
    std::string PartNumber;
    std::string SerialNumber;
};
