// SMBIOS reader: any bytes, taken as the device file or as one raw structure, are decoded
// without reading outside them, and every decoded text is terminated within its field.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "host/smbios.h"

namespace {

void expectTerminated(const char* field, size_t capacity) {
    if (strnlen(field, capacity) >= capacity) {
        __builtin_trap();
    }
}

void check(const DMI_SYSTEM_INFO& r) {
    expectTerminated(r.manufacturer, sizeof(r.manufacturer));
    expectTerminated(r.productName, sizeof(r.productName));
    expectTerminated(r.version, sizeof(r.version));
    expectTerminated(r.serialNumber, sizeof(r.serialNumber));
    expectTerminated(r.uuid, sizeof(r.uuid));
    expectTerminated(r.skuNumber, sizeof(r.skuNumber));
    expectTerminated(r.family, sizeof(r.family));
}

void check(const DMI_SYSTEM_SLOT& r) {
    expectTerminated(r.designation, sizeof(r.designation));
    // A slot record too short for the bus address keeps it zero.
    if (r.length < 17 && (r.segmentGroupNum != 0 || r.busNum != 0 || r.devFuncNum != 0)) {
        __builtin_trap();
    }
}

void check(const DMI_ONBOARD_DEVICE_EX& r) {
    expectTerminated(r.referenceDesignation, sizeof(r.referenceDesignation));
}

template <typename Record>
void decodeAll(int type) {
    void* records = nullptr;
    int count = 0;
    if (getSmbiosRecordsByType(type, &records, &count) == 0) {
        if (records == nullptr || count <= 0) {
            __builtin_trap();
        }
        for (int i = 0; i < count; ++i) {
            check(static_cast<const Record*>(records)[i]);
        }
    } else if (records != nullptr || count != 0) {
        __builtin_trap();
    }
    free(records);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SmBiosDeinit();
    if (SmBiosInitFromBuffer(data, size) == 0) {
        decodeAll<DMI_SYSTEM_INFO>(1);
        decodeAll<DMI_SYSTEM_SLOT>(9);
        decodeAll<DMI_ONBOARD_DEVICE_EX>(41);
    }
    SmBiosDeinit();

    // The input as one structure whose formatted length need not fit the bytes.
    SMBIOS_STRUCTURE raw{data, size};
    DMI_SYSTEM_INFO system{};
    DMI_SYSTEM_SLOT slot{};
    DMI_ONBOARD_DEVICE_EX device{};
    if (DmiSystemInfo_decode(&system, &raw, 0) == 0) {
        check(system);
    }
    if (DmiSystemSlot_Decode(&slot, &raw, 0) == 0) {
        expectTerminated(slot.designation, sizeof(slot.designation));
    }
    if (DmiOnboardDevicesEx_decode(&device, &raw, 0) == 0) {
        check(device);
    }
    return 0;
}
