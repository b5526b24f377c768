#include "sim/common/smbios_builder.h"

#include <numeric>

namespace orbsim {

namespace {

constexpr uint8_t kEntryPointLength = 0x1F;
constexpr uint8_t kVersionMajor = 2;
constexpr uint8_t kVersionMinor = 8;
// Where the firmware placed the table in physical memory; the device file carries it after the
// entry point, so only the entry point's address field shows it.
constexpr uint32_t kTableAddress = 0x7A3C5000;

uint8_t checksumOf(const std::vector<uint8_t>& bytes, size_t from, size_t to) {
    unsigned sum = std::accumulate(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                   bytes.begin() + static_cast<std::ptrdiff_t>(to), 0u);
    return static_cast<uint8_t>(0x100 - (sum & 0xFF));
}

}  // namespace

SmbiosFields& SmbiosFields::u8(uint8_t value) {
    fields.push_back(value);
    return *this;
}

SmbiosFields& SmbiosFields::u16(uint16_t value) {
    return u8(static_cast<uint8_t>(value)).u8(static_cast<uint8_t>(value >> 8));
}

SmbiosFields& SmbiosFields::u32(uint32_t value) {
    return u16(static_cast<uint16_t>(value)).u16(static_cast<uint16_t>(value >> 16));
}

SmbiosFields& SmbiosFields::u64(uint64_t value) {
    return u32(static_cast<uint32_t>(value)).u32(static_cast<uint32_t>(value >> 32));
}

SmbiosFields& SmbiosFields::bytes(const std::vector<uint8_t>& values) {
    fields.insert(fields.end(), values.begin(), values.end());
    return *this;
}

uint16_t SmbiosBuilder::add(uint8_t type, const SmbiosFields& fields,
                            const std::vector<std::string>& strings) {
    size_t start = structures.size();
    uint16_t handle = nextHandle++;
    structures.push_back(type);
    structures.push_back(static_cast<uint8_t>(4 + fields.data().size()));
    structures.push_back(static_cast<uint8_t>(handle));
    structures.push_back(static_cast<uint8_t>(handle >> 8));
    structures.insert(structures.end(), fields.data().begin(), fields.data().end());
    for (const std::string& text : strings) {
        structures.insert(structures.end(), text.begin(), text.end());
        structures.push_back(0);
    }
    if (strings.empty()) {
        structures.push_back(0);
    }
    structures.push_back(0);
    ++structureCount;
    size_t size = structures.size() - start;
    if (size > maxStructureSize) {
        maxStructureSize = static_cast<uint16_t>(size);
    }
    return handle;
}

uint16_t SmbiosBuilder::addSystemInformation(const SmbiosSystemInformation& info) {
    SmbiosFields fields;
    fields.u8(1).u8(2).u8(3).u8(4).bytes(info.uuid).u8(info.wakeUpType).u8(5).u8(6);
    std::vector<uint8_t> formatted = fields.data();
    formatted.resize(info.formattedLength - 4u, 0);
    std::vector<std::string> strings = {info.manufacturer, info.productName, info.version,
                                        info.serialNumber};
    if (info.formattedLength >= 27) {
        strings.push_back(info.skuNumber);
        strings.push_back(info.family);
    }
    return add(1, SmbiosFields().bytes(formatted), strings);
}

uint16_t SmbiosBuilder::addSystemSlot(const SmbiosSystemSlot& slot) {
    SmbiosFields fields;
    fields.u8(1)
        .u8(slot.slotType)
        .u8(slot.busDataWidth)
        .u8(slot.currentUsage)
        .u8(slot.slotLength)
        .u16(slot.id)
        .u8(slot.characteristics1)
        .u8(slot.characteristics2)
        .u16(slot.segmentGroupNum)
        .u8(slot.busNum)
        .u8(slot.devFuncNum);
    std::vector<uint8_t> formatted = fields.data();
    formatted.resize(slot.formattedLength - 4u, 0);
    return add(9, SmbiosFields().bytes(formatted), {slot.designation});
}

uint16_t SmbiosBuilder::addOnboardDevice(const SmbiosOnboardDevice& device) {
    SmbiosFields fields;
    fields.u8(1)
        .u8(static_cast<uint8_t>(device.deviceType | (device.enabled ? 0x80 : 0)))
        .u8(device.deviceTypeInstance)
        .u16(device.segmentGroupNum)
        .u8(device.busNum)
        .u8(device.devFuncNum);
    return add(41, fields, {device.referenceDesignation});
}

uint16_t SmbiosBuilder::addEndOfTable() {
    return add(127, SmbiosFields(), {});
}

void SmbiosBuilder::addRaw(const std::vector<uint8_t>& bytes) {
    structures.insert(structures.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> SmbiosBuilder::image() const {
    SmbiosFields entry;
    entry.bytes({'_', 'S', 'M', '_'})
        .u8(0)  // checksum, below
        .u8(kEntryPointLength)
        .u8(kVersionMajor)
        .u8(kVersionMinor)
        .u16(maxStructureSize)
        .u8(0)  // entry point revision: 2.1 layout
        .bytes({0, 0, 0, 0, 0})
        .bytes({'_', 'D', 'M', 'I', '_'})
        .u8(0)  // intermediate checksum, below
        .u16(static_cast<uint16_t>(structures.size()))
        .u32(kTableAddress)
        .u16(structureCount)
        .u8(static_cast<uint8_t>(kVersionMajor << 4 | kVersionMinor));
    std::vector<uint8_t> out = entry.data();
    out[21] = checksumOf(out, 16, kEntryPointLength);
    out[4] = checksumOf(out, 0, kEntryPointLength);
    out.insert(out.end(), structures.begin(), structures.end());
    return out;
}

}  // namespace orbsim
