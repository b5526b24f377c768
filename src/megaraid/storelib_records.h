#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "storage/byte_view.h"

// Readers of the records the storage library fills. Every count is clamped to what the buffer
// can hold and every text is copied up to its field's width, so a library that reports more
// entries than it wrote, or leaves a text without its terminator, is never read past.

struct orbMRControllerList {
    bool simulationMode = false;
    std::vector<uint32_t> ids;  // at most 64
};
orbMRControllerList orbParseControllerList(orbByteView bytes);

struct orbMRControllerData {
    uint16_t vendorId = 0, deviceId = 0, subVendorId = 0, subDeviceId = 0;
    std::string pciLocation;  // "%.04x:%.02x:%.02x.%.01x"
    std::string productName;
    std::string firmwareVersion;
    uint32_t chipset() const { return static_cast<uint32_t>(deviceId) << 16 | vendorId; }
    uint32_t board() const { return static_cast<uint32_t>(subDeviceId) << 16 | subVendorId; }
};
// False when the buffer is too short to hold the identity.
bool orbParseControllerInfo(orbByteView bytes, orbMRControllerData& out);
// The board serial number of the manufacturing data; empty when there is none.
std::string orbParseManufacturingSerial(orbByteView bytes);

struct orbMRDriveAddress {
    uint16_t deviceId = 0;
    uint16_t enclosure = 0;
    uint8_t slot = 0;
};
std::vector<orbMRDriveAddress> orbParseDriveList(orbByteView bytes);
std::vector<uint8_t> orbParseVolumeList(orbByteView bytes);

struct orbMRDriveData {
    orbMRDriveAddress address;
    uint8_t firmwareState = 0;
    uint8_t interfaceType = 0;
    bool solidState = false;
    uint64_t blocks = 0;
    std::string vendor, product, revision;
    std::string inquirySerial;  // from the standard inquiry data; empty when absent
};
bool orbParseDriveInfo(orbByteView bytes, orbMRDriveData& out);
// The serial number of a VPD page 0x80 answer, white space removed; empty when malformed.
std::string orbParseUnitSerialPage(orbByteView bytes);

struct orbMRVolumeData {
    uint8_t targetId = 0;
    uint8_t primaryRaid = 0, raidQualifier = 0, secondaryRaid = 0, spanDepth = 0;
    uint8_t state = 0;
    uint64_t blocks = 0;
    std::string name;
    std::vector<uint16_t> members;  // device ids, at most 32
};
bool orbParseVolumeInfo(orbByteView bytes, orbMRVolumeData& out);

struct orbMREventRecord {
    uint16_t status = 0;
    uint32_t ctrlId = 0;
    uint32_t seqNum = 0;
    uint32_t timeStamp = 0;
    uint32_t code = 0;
    uint16_t locale = 0;
    int8_t evtClass = 0;
    uint8_t argType = 0;
    uint16_t deviceId = 0xFFFF, enclosure = 0xFFFF;
    uint8_t slot = 0xFF;
    uint32_t previousState = 0, newState = 0;
    int targetId = -1;
    uint16_t progress = 0;
    uint32_t count = 0;
    std::string description;
};
// False when the buffer is shorter than an event record.
bool orbParseEventRecord(orbByteView bytes, orbMREventRecord& out);
