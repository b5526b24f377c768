#include <stdio.h>
#include <string.h>

#include "host/smbios.h"
#include "host/smbios_structure.h"

// Each field is taken only when the structure's formatted length covers it: older firmware
// writes shorter structures, and the bytes past the formatted area are the strings.

namespace {

uint32_t swap32(uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

uint16_t swap16(uint16_t v) {
    return static_cast<uint16_t>((v >> 8) | (v << 8));
}

void decodeUuid(const SMBIOS_STRUCTURE& s, char* out, size_t capacity) {
    uint32_t timeLow = smbios_u32(s, 8);
    uint16_t timeMid = smbios_u16(s, 12);
    uint16_t timeHi = smbios_u16(s, 14);
    if (timeHi != 0 && (timeHi & 0x11D0) < 0x11D0 && (timeHi & 0xD011) == 0xD011) {
        timeLow = swap32(timeLow);
        timeMid = swap16(timeMid);
        timeHi = swap16(timeHi);
    }
    const uint8_t* node = s.data + 16;
    snprintf(out, capacity, "%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x", timeLow, timeMid,
             timeHi, node[0], node[1], node[2], node[3], node[4], node[5], node[6], node[7]);
}

template <typename Record>
Record* headerOf(Record* records, const SMBIOS_STRUCTURE* structure, int index) {
    if (records == nullptr || structure == nullptr || structure->data == nullptr ||
        structure->size < 4 || index < 0) {
        return nullptr;
    }
    Record* record = &records[index];
    record->type = structure->data[0];
    record->length = structure->data[1];
    record->handle = static_cast<uint16_t>(structure->data[2] | (structure->data[3] << 8));
    return record;
}

}  // namespace

int DmiSystemInfo_decode(DMI_SYSTEM_INFO* records, const SMBIOS_STRUCTURE* structure, int index) {
    DMI_SYSTEM_INFO* record = headerOf(records, structure, index);
    if (record == nullptr) {
        return -1;
    }
    const SMBIOS_STRUCTURE& s = *structure;
    size_t length = smbios_formatted_length(s);
    if (length < 8) {
        return 0;
    }
    smbios_string_at(s, 4, record->manufacturer, sizeof(record->manufacturer));
    smbios_string_at(s, 5, record->productName, sizeof(record->productName));
    smbios_string_at(s, 6, record->version, sizeof(record->version));
    smbios_string_at(s, 7, record->serialNumber, sizeof(record->serialNumber));
    if (length < 27) {
        snprintf(record->skuNumber, sizeof(record->skuNumber), ".");
    }
    if (length < 25) {
        return 0;
    }
    decodeUuid(s, record->uuid, sizeof(record->uuid));
    record->wakeUpType = smbios_u8(s, 24);
    if (length < 27) {
        return 0;
    }
    smbios_string_at(s, 25, record->skuNumber, sizeof(record->skuNumber));
    smbios_string_at(s, 26, record->family, sizeof(record->family));
    return 0;
}

int DmiSystemSlot_Decode(DMI_SYSTEM_SLOT* records, const SMBIOS_STRUCTURE* structure, int index) {
    DMI_SYSTEM_SLOT* record = headerOf(records, structure, index);
    if (record == nullptr) {
        return -1;
    }
    const SMBIOS_STRUCTURE& s = *structure;
    smbios_string_at(s, 4, record->designation, sizeof(record->designation));
    record->slotType = smbios_u8(s, 5);
    record->busDataWidth = smbios_u8(s, 6);
    record->currentUsage = smbios_u8(s, 7);
    record->slotLength = smbios_u8(s, 8);
    record->id = smbios_u16(s, 9);
    record->characteristics1 = smbios_u8(s, 11);
    record->characteristics2 = smbios_u8(s, 12);
    // The bus address came with SMBIOS 2.6 (formatted length 17); the three fields only mean
    // something together.
    if (smbios_covers(s, 13, 4)) {
        record->segmentGroupNum = smbios_u16(s, 13);
        record->busNum = smbios_u8(s, 15);
        record->devFuncNum = smbios_u8(s, 16);
    }
    return 0;
}

int DmiOnboardDevicesEx_decode(DMI_ONBOARD_DEVICE_EX* records, const SMBIOS_STRUCTURE* structure,
                               int index) {
    DMI_ONBOARD_DEVICE_EX* record = headerOf(records, structure, index);
    if (record == nullptr) {
        return -1;
    }
    const SMBIOS_STRUCTURE& s = *structure;
    smbios_string_at(s, 4, record->referenceDesignation, sizeof(record->referenceDesignation));
    // Bit 7 of the device type tells whether the device is enabled.
    record->deviceType = smbios_u8(s, 5) & 0x7F;
    record->deviceTypeInstance = smbios_u8(s, 6);
    if (smbios_covers(s, 7, 4)) {
        record->segmentGroupNum = smbios_u16(s, 7);
        record->busNum = smbios_u8(s, 9);
        record->devFuncNum = smbios_u8(s, 10);
    }
    return 0;
}
