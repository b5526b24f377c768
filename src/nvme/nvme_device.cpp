#include "nvme/nvme_device.h"

void NVMeDeviceV1::setPCIeProperties(const std::string& description, int slotNumber,
                                     const std::string& location) {
    pciDescription = description;
    slot = slotNumber;
    physicalLocation = location;
}

void NVMeDeviceV1::setBasicProperties(const std::string& model, const std::string& serial,
                                      const std::string& firmware, const std::string& address,
                                      const std::string& maker, int64_t detected) {
    modelNumber = model;
    serialNumber = serial;
    firmwareVersion = firmware;
    pciAddress = address;
    manufacturer = maker;
    capacityBytesDetected = detected;
}

void NVMeDeviceV1::setExtendedProperties(const std::string& name, const std::string& part,
                                         int64_t capacity, const std::string& protocol,
                                         const std::string& media) {
    modelName = name;
    partNumber = part;
    capacityBytes = capacity;
    protocolName = protocol;
    mediaType = media;
}
