#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Builds SMBIOS 2.x structure tables as firmware lays them out, and the image of the ESXi
// device file /vmfs/devices/char/mem/smbios: the "_SM_" entry point (with its "_DMI_"
// intermediate anchor and both checksums) directly followed by the structure table.

namespace orbsim {

// The formatted area of one structure after its 4-byte header, little-endian as SMBIOS stores it.
class SmbiosFields {
  public:
    SmbiosFields& u8(uint8_t value);
    SmbiosFields& u16(uint16_t value);
    SmbiosFields& u32(uint32_t value);
    SmbiosFields& u64(uint64_t value);
    SmbiosFields& bytes(const std::vector<uint8_t>& values);
    const std::vector<uint8_t>& data() const { return fields; }

  private:
    std::vector<uint8_t> fields;
};

struct SmbiosSystemInformation {
    std::string manufacturer, productName, version, serialNumber;
    std::vector<uint8_t> uuid = std::vector<uint8_t>(16, 0);  // as stored, 16 bytes
    uint8_t wakeUpType = 6;                                   // power switch
    std::string skuNumber, family;
    uint8_t formattedLength = 27;  // 8 (SMBIOS 2.0), 25 (2.1 to 2.3) or 27 (2.4 on)
};

struct SmbiosSystemSlot {
    std::string designation;
    uint8_t slotType = 0xB5;      // PCI Express Gen 3 x8
    uint8_t busDataWidth = 0x0B;  // 8x
    uint8_t currentUsage = 0x04;  // in use
    uint8_t slotLength = 0x04;    // long
    uint16_t id = 0;
    uint8_t characteristics1 = 0x0C;  // 3.3 V, shared
    uint8_t characteristics2 = 0x01;  // PME
    uint16_t segmentGroupNum = 0;
    uint8_t busNum = 0;
    uint8_t devFuncNum = 0;
    uint8_t formattedLength = 17;  // 13 before SMBIOS 2.6: no bus address
};

struct SmbiosOnboardDevice {
    std::string referenceDesignation;
    uint8_t deviceType = 0x05;  // Ethernet
    bool enabled = true;
    uint8_t deviceTypeInstance = 1;
    uint16_t segmentGroupNum = 0;
    uint8_t busNum = 0;
    uint8_t devFuncNum = 0;
};

// The device/function byte of a PCI device and function number.
inline uint8_t smbiosDevFunc(unsigned device, unsigned function) {
    return static_cast<uint8_t>((device << 3) | (function & 7));
}

class SmbiosBuilder {
  public:
    // Appends one structure: header (type, formatted length, the next handle), the fields, then
    // the strings and the double zero that ends them. Returns the handle.
    uint16_t add(uint8_t type, const SmbiosFields& fields, const std::vector<std::string>& strings);
    uint16_t addSystemInformation(const SmbiosSystemInformation& info);
    uint16_t addSystemSlot(const SmbiosSystemSlot& slot);
    uint16_t addOnboardDevice(const SmbiosOnboardDevice& device);
    uint16_t addEndOfTable();
    // Appends bytes as they are, for damaged tables.
    void addRaw(const std::vector<uint8_t>& bytes);

    const std::vector<uint8_t>& table() const { return structures; }
    // The device-file image: entry point, then the table.
    std::vector<uint8_t> image() const;

  private:
    std::vector<uint8_t> structures;
    uint16_t nextHandle = 0;
    uint16_t structureCount = 0;
    uint16_t maxStructureSize = 0;
};

// The device-file image of a simulated host's firmware ("default" or "bravo"); empty for any
// other name.
std::vector<uint8_t> smbiosImageForHost(const std::string& host);

// A card in a PCI Express slot, at function 0 of device 0 on its bus.
struct SmbiosSlotCard {
    uint16_t id = 0;
    std::string designation;
    uint8_t bus = 0;
};
// The same with slots filled by cards: a card takes the place of the host's slot with its id,
// or is added after the host's slots. Empty for an unknown host.
std::vector<uint8_t> smbiosImageForHost(const std::string& host,
                                        const std::vector<SmbiosSlotCard>& cards);

}  // namespace orbsim
