#pragma once

#include <cstdint>
#include <string>

// A device on the PCI bus; nothing is asked of it beyond being one.
class PCIeDevice {
  public:
    virtual ~PCIeDevice() = default;
};

// Everything discovery learns about one NVMe device: what the operating system reports
// (basic properties), where it sits (PCIe properties) and what the model table adds
// (extended properties).
class INvmeDevice : public PCIeDevice {
  public:
    virtual std::string getDeviceClass() const = 0;
    virtual void setPCIeProperties(const std::string& pciDescription, int slot,
                                   const std::string& physicalLocation) = 0;
    virtual void setBasicProperties(const std::string& modelNumber, const std::string& serialNumber,
                                    const std::string& firmwareVersion,
                                    const std::string& pciAddress, const std::string& manufacturer,
                                    int64_t capacityBytesDetected) = 0;
    virtual void setExtendedProperties(const std::string& modelName, const std::string& partNumber,
                                       int64_t capacityBytes, const std::string& protocolName,
                                       const std::string& mediaType) = 0;
    virtual std::string getModelNumber() const = 0;
    virtual std::string getSerialNumber() const = 0;
    virtual std::string getFirmwareVersion() const = 0;
    virtual std::string getPCIAddress() const = 0;
    virtual std::string getManufacturer() const = 0;
    virtual int64_t getCapacityBytesDetected() const = 0;
    virtual std::string getModelName() const = 0;
    virtual std::string getPartNumber() const = 0;
    virtual int64_t getCapacityBytes() const = 0;
    virtual std::string getProtocolName() const = 0;
    virtual std::string getMediaType() const = 0;
    virtual std::string getPciDescription() const = 0;
    virtual int getSlot() const = 0;
    virtual std::string getPhysicalLocation() const = 0;
};

// The one device model. Every field starts as "NotAvailable" or 0, so a property discovery
// could not learn never reaches the inventory as garbage.
class NVMeDeviceV1 : public INvmeDevice {
  public:
    std::string getDeviceClass() const override { return std::string(); }
    void setPCIeProperties(const std::string& pciDescription, int slot,
                           const std::string& physicalLocation) override;
    void setBasicProperties(const std::string& modelNumber, const std::string& serialNumber,
                            const std::string& firmwareVersion, const std::string& pciAddress,
                            const std::string& manufacturer,
                            int64_t capacityBytesDetected) override;
    void setExtendedProperties(const std::string& modelName, const std::string& partNumber,
                               int64_t capacityBytes, const std::string& protocolName,
                               const std::string& mediaType) override;
    std::string getModelNumber() const override { return modelNumber; }
    std::string getSerialNumber() const override { return serialNumber; }
    std::string getFirmwareVersion() const override { return firmwareVersion; }
    std::string getPCIAddress() const override { return pciAddress; }
    std::string getManufacturer() const override { return manufacturer; }
    int64_t getCapacityBytesDetected() const override { return capacityBytesDetected; }
    std::string getModelName() const override { return modelName; }
    std::string getPartNumber() const override { return partNumber; }
    int64_t getCapacityBytes() const override { return capacityBytes; }
    std::string getProtocolName() const override { return protocolName; }
    std::string getMediaType() const override { return mediaType; }
    std::string getPciDescription() const override { return pciDescription; }
    int getSlot() const override { return slot; }
    std::string getPhysicalLocation() const override { return physicalLocation; }

  private:
    std::string modelNumber = "NotAvailable";
    std::string serialNumber = "NotAvailable";
    std::string firmwareVersion = "NotAvailable";
    std::string pciAddress = "NotAvailable";
    std::string manufacturer = "NotAvailable";
    int64_t capacityBytesDetected = 0;
    std::string modelName = "NotAvailable";
    std::string partNumber = "NotAvailable";
    int64_t capacityBytes = 0;
    std::string protocolName = "NotAvailable";
    std::string mediaType = "NotAvailable";
    std::string pciDescription = "NotAvailable";
    int slot = 0;
    std::string physicalLocation = "NotAvailable";
};
