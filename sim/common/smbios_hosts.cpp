// The firmware tables of the simulated hosts. The slot and onboard-device records carry the PCI
// addresses and GeoIDs of sim/hosts/README.md; the rest is what such a server's firmware
// reports besides (BIOS, processors, memory).

#include <algorithm>

#include "sim/common/smbios_builder.h"

namespace orbsim {

namespace {

struct Processor {
    const char* socket;
    const char* version;
    uint16_t maxSpeed, currentSpeed;
    uint8_t cores, threads;
    uint64_t id;
};

struct Dimm {
    const char* locator;
    const char* bank;
    const char* serial;
    const char* asset;
};

struct HostFirmware {
    const char* biosVersion;
    const char* biosDate;
    uint8_t biosMajor, biosMinor;
    SmbiosSystemInformation system;
    std::vector<Processor> processors;
    std::vector<Dimm> dimms;
    const char* dimmPart;
    uint32_t dimmSizeMiB;
    uint16_t dimmSpeed;
    std::vector<SmbiosSystemSlot> slots;
    std::vector<SmbiosOnboardDevice> onboard;
};

constexpr uint8_t kSataController = 0x09;
constexpr uint8_t kEthernet = 0x05;
constexpr uint8_t kSlotAvailable = 0x03;

SmbiosSystemSlot slot(const char* designation, uint16_t id, uint8_t slotType, uint8_t width,
                      uint8_t bus) {
    SmbiosSystemSlot s;
    s.designation = designation;
    s.id = id;
    s.slotType = slotType;
    s.busDataWidth = width;
    s.busNum = bus;
    s.devFuncNum = smbiosDevFunc(0, 0);
    return s;
}

// A slot with nothing in it: the firmware gives no bus address.
SmbiosSystemSlot emptySlot(const char* designation, uint16_t id) {
    SmbiosSystemSlot s = slot(designation, id, 0xB6, 0x0D, 0xFF);
    s.currentUsage = kSlotAvailable;
    s.segmentGroupNum = 0xFFFF;
    s.devFuncNum = 0xFF;
    return s;
}

// A slot described in the pre-2.6 layout, without the bus address fields.
SmbiosSystemSlot shortSlot(const char* designation, uint16_t id) {
    SmbiosSystemSlot s = slot(designation, id, 0xA5, 0x0B, 0);
    s.currentUsage = kSlotAvailable;
    s.slotLength = 0x03;
    s.formattedLength = 13;
    return s;
}

SmbiosOnboardDevice onboard(const char* designation, uint8_t deviceType, uint8_t instance,
                            uint8_t bus, unsigned device, unsigned function) {
    SmbiosOnboardDevice d;
    d.referenceDesignation = designation;
    d.deviceType = deviceType;
    d.deviceTypeInstance = instance;
    d.busNum = bus;
    d.devFuncNum = smbiosDevFunc(device, function);
    return d;
}

void addBios(SmbiosBuilder& builder, const HostFirmware& host) {
    SmbiosFields bios;
    bios.u8(1)                    // vendor
        .u8(2)                    // version
        .u16(0xF000)              // starting address segment
        .u8(3)                    // release date
        .u8(0xFF)                 // ROM size: 16 MiB
        .u64(0x0000000000099880)  // PCI, upgradeable, shadowing, CD and selectable boot, EDD
        .u8(0x03)                 // ACPI, USB legacy
        .u8(0x0D)                 // network boot, targeted content distribution, UEFI
        .u8(host.biosMajor)
        .u8(host.biosMinor)
        .u8(0xFF)  // no embedded controller firmware
        .u8(0xFF);
    builder.add(0, bios, {"Vex Systems Inc.", host.biosVersion, host.biosDate});
}

void addProcessors(SmbiosBuilder& builder, const HostFirmware& host) {
    for (const Processor& cpu : host.processors) {
        SmbiosFields fields;
        fields
            .u8(1)     // socket designation
            .u8(0x03)  // central processor
            .u8(0xB3)  // Intel Xeon
            .u8(2)     // manufacturer
            .u64(cpu.id)
            .u8(3)     // version
            .u8(0x90)  // 1.6 V
            .u16(100)  // external clock, MHz
            .u16(cpu.maxSpeed)
            .u16(cpu.currentSpeed)
            .u8(0x41)     // populated, enabled
            .u8(0x36)     // socket LGA3647-1
            .u16(0xFFFF)  // no cache structures
            .u16(0xFFFF)
            .u16(0xFFFF)
            .u8(4)  // serial number
            .u8(5)  // asset tag
            .u8(6)  // part number
            .u8(cpu.cores)
            .u8(cpu.cores)
            .u8(cpu.threads)
            .u16(0x00FC)  // 64-bit, multi-core, hardware thread, execute protection, ...
            .u16(0x00B3);
        builder.add(4, fields,
                    {cpu.socket, "Intel(R) Corporation", cpu.version, "Not Specified", "UNKNOWN",
                     "Not Specified"});
    }
}

void addMemory(SmbiosBuilder& builder, const HostFirmware& host) {
    for (const Dimm& dimm : host.dimms) {
        SmbiosFields fields;
        fields
            .u16(0x1000)  // physical memory array
            .u16(0xFFFE)  // no error information
            .u16(72)      // total width: 64 data bits and ECC
            .u16(64)
            .u16(0x7FFF)  // size in the extended field
            .u8(0x09)     // DIMM
            .u8(0)
            .u8(1)        // locator
            .u8(2)        // bank
            .u8(0x1A)     // DDR4
            .u16(0x2080)  // synchronous, registered
            .u16(host.dimmSpeed)
            .u8(3)     // manufacturer
            .u8(4)     // serial number
            .u8(5)     // asset tag
            .u8(6)     // part number
            .u8(0x02)  // two ranks
            .u32(host.dimmSizeMiB)
            .u16(host.dimmSpeed)
            .u16(1200)  // 1.2 V minimum, maximum and configured
            .u16(1200)
            .u16(1200);
        builder.add(17, fields,
                    {dimm.locator, dimm.bank, "Samsung", dimm.serial, dimm.asset, host.dimmPart});
    }
}

std::vector<uint8_t> imageOf(const HostFirmware& host) {
    SmbiosBuilder builder;
    addBios(builder, host);
    builder.addSystemInformation(host.system);
    addProcessors(builder, host);
    addMemory(builder, host);
    for (const SmbiosSystemSlot& s : host.slots) {
        builder.addSystemSlot(s);
    }
    for (const SmbiosOnboardDevice& d : host.onboard) {
        builder.addOnboardDevice(d);
    }
    builder.addEndOfTable();
    return builder.image();
}

// Two-socket VX-R4800, platform family PLATFAM-ALPHA. Its slot designations carry the GeoID in
// brackets after the slot's name.
HostFirmware alphaHost() {
    HostFirmware host;
    host.biosVersion = "VX48.2.14.1";
    host.biosDate = "09/18/2023";
    host.biosMajor = 2;
    host.biosMinor = 14;
    host.system.manufacturer = "Vex Systems Inc.";
    host.system.productName = "VX-R4800 Rack Server";
    host.system.version = "Rev. A02";
    host.system.serialNumber = "VX48A2311007";
    host.system.uuid = {0x3a, 0x5f, 0x71, 0x8e, 0x2c, 0x41, 0xe8, 0x11,
                        0x9b, 0x6d, 0x00, 0x1e, 0x67, 0xa4, 0x52, 0x10};
    host.system.skuNumber = "VXR4800-SKU-2S";
    host.system.family = "PLATFAM-ALPHA";
    host.processors = {
        {"CPU1", "Intel(R) Xeon(R) Gold 6248R CPU @ 3.00GHz", 4000, 3000, 24, 48,
         0xBFEBFBFF00050657ull},
        {"CPU2", "Intel(R) Xeon(R) Gold 6248R CPU @ 3.00GHz", 4000, 3000, 24, 48,
         0xBFEBFBFF00050657ull},
    };
    host.dimms = {
        {"CPU1_DIMM_A1", "NODE 1 CHANNEL A", "03A1B2C4", "CPU1_DIMM_A1_AssetTag"},
        {"CPU1_DIMM_B1", "NODE 1 CHANNEL B", "03A1B2D7", "CPU1_DIMM_B1_AssetTag"},
        {"CPU2_DIMM_A1", "NODE 2 CHANNEL A", "03A1C019", "CPU2_DIMM_A1_AssetTag"},
        {"CPU2_DIMM_B1", "NODE 2 CHANNEL B", "03A1C02E", "CPU2_DIMM_B1_AssetTag"},
    };
    host.dimmPart = "M393A4K40DB3-CWE";
    host.dimmSizeMiB = 32768;
    host.dimmSpeed = 2933;
    host.slots = {
        slot("PCIe Slot 1 [r001u01p1i01]", 1, 0xB5, 0x0B, 0x3b),
        slot("PCIe Slot 2 [r001u01p1i02]", 2, 0xB5, 0x0B, 0x5e),
        slot("PCIe Slot 3 [r001u01p2i03]", 3, 0xB6, 0x0D, 0x86),
        slot("PCIe Slot 4 [r001u01p2i04]", 4, 0xB6, 0x0D, 0xaf),
        slot("PCIe Slot 5 [r001u01p3i05]", 5, 0xB6, 0x0D, 0xd8),
        slot("PCIe Slot 6 [r001u01p3i06]", 6, 0xB6, 0x0D, 0xd9),
        emptySlot("PCIe Slot 8 [r001u01p4i08]", 8),
        shortSlot("OCP Mezzanine [r001u01p0i07]", 7),
    };
    host.onboard = {
        onboard("Onboard r001u01p0i00 SATA Controller", kSataController, 1, 0x00, 0x17, 0),
        onboard("Onboard r001u01p0i00 LOM Port 1", kEthernet, 1, 0x18, 0, 0),
        onboard("Onboard r001u01p0i00 LOM Port 2", kEthernet, 2, 0x18, 0, 1),
    };
    return host;
}

// One-socket VX-R2200, platform family PLATFAM-BRAVO. Its slot designations are the slot's name,
// a blank and the GeoID.
HostFirmware bravoHost() {
    HostFirmware host;
    host.biosVersion = "VX22.1.6.3";
    host.biosDate = "03/07/2023";
    host.biosMajor = 1;
    host.biosMinor = 6;
    host.system.manufacturer = "Vex Systems Inc.";
    host.system.productName = "VX-R2200 Rack Server";
    host.system.version = "Rev. B01";
    host.system.serialNumber = "VX22B2209314";
    host.system.uuid = {0x9c, 0x1d, 0x2b, 0x6f, 0x83, 0x5a, 0xea, 0x11,
                        0xa1, 0x4c, 0x00, 0x1e, 0x67, 0xb8, 0x0f, 0x22};
    host.system.skuNumber = "VXR2200-SKU-1S";
    host.system.family = "PLATFAM-BRAVO";
    host.processors = {
        {"CPU1", "Intel(R) Xeon(R) Silver 4214R CPU @ 2.40GHz", 3500, 2400, 12, 24,
         0xBFEBFBFF00050657ull},
    };
    host.dimms = {
        {"DIMM_A1", "NODE 1 CHANNEL A", "1B77E0A3", "DIMM_A1_AssetTag"},
        {"DIMM_B1", "NODE 1 CHANNEL B", "1B77E0C8", "DIMM_B1_AssetTag"},
    };
    host.dimmPart = "M393A2K43DB3-CWE";
    host.dimmSizeMiB = 16384;
    host.dimmSpeed = 2400;
    host.slots = {
        slot("SLOT1 r001i01s01", 1, 0xB5, 0x0B, 0x1a),
        slot("SLOT2 r001i01s02", 2, 0xB5, 0x0B, 0x5f),
        slot("SLOT3 r001i01s03", 3, 0xB5, 0x0B, 0x86),
        slot("SLOT4 r001i01s04", 4, 0xB5, 0x0B, 0x1b),
        slot("SLOT6 r001i01s06", 6, 0xB5, 0x0B, 0x87),
        shortSlot("M2SLOT r001i01s05", 5),
        slot("SLOT7 r001i01s07", 7, 0xB5, 0x0B, 0xd8),
    };
    host.onboard = {
        onboard("Onboard r001i01s00 sSATA Controller", kSataController, 1, 0x00, 0x11, 5),
        onboard("Onboard r001i01s00 LOM Port 1", kEthernet, 1, 0x3d, 0, 0),
        onboard("Onboard r001i01s00 LOM Port 2", kEthernet, 2, 0x3d, 0, 1),
    };
    return host;
}

}  // namespace

std::vector<uint8_t> smbiosImageForHost(const std::string& host) {
    return smbiosImageForHost(host, {});
}

std::vector<uint8_t> smbiosImageForHost(const std::string& host,
                                        const std::vector<SmbiosSlotCard>& cards) {
    HostFirmware firmware;
    if (host == "default") {
        firmware = alphaHost();
    } else if (host == "bravo") {
        firmware = bravoHost();
    } else {
        return {};
    }
    for (const SmbiosSlotCard& card : cards) {
        SmbiosSystemSlot filled = slot(card.designation.c_str(), card.id, 0xB5, 0x0B, card.bus);
        auto same = std::find_if(firmware.slots.begin(), firmware.slots.end(),
                                 [&](const SmbiosSystemSlot& s) { return s.id == card.id; });
        if (same != firmware.slots.end()) {
            *same = filled;
        } else {
            firmware.slots.push_back(filled);
        }
    }
    return imageOf(firmware);
}

}  // namespace orbsim
