// orbhost inspect smbios: the System Information, System Slots and Onboard Devices records of
// the firmware table, as the service decodes them.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

#include "core/platform_path.h"
#include "host/smbios.h"
#include "orbhost.h"

namespace {

struct RecordsDeleter {
    void operator()(void* records) const { free(records); }
};
using Records = std::unique_ptr<void, RecordsDeleter>;

Records recordsOfType(int type, int& count) {
    void* records = nullptr;
    if (getSmbiosRecordsByType(type, &records, &count) != 0) {
        count = 0;
    }
    return Records(records);
}

// Fields are printed by their bounded length, as every decoded string field is.
void printText(const char* name, const char* field, size_t capacity) {
    printf("   %-20s: %.*s\n", name, static_cast<int>(strnlen(field, capacity)), field);
}

void printSystemInformation() {
    int count = 0;
    Records records = recordsOfType(1, count);
    const DMI_SYSTEM_INFO* systems = static_cast<const DMI_SYSTEM_INFO*>(records.get());
    for (int i = 0; i < count; ++i) {
        const DMI_SYSTEM_INFO& s = systems[i];
        printf("System Information record #%d  (Type %d)\n", i, s.type);
        printf("   %-20s: 0x%04x\n", "handle", s.handle);
        printText("manufacturer", s.manufacturer, sizeof(s.manufacturer));
        printText("productName", s.productName, sizeof(s.productName));
        printText("version", s.version, sizeof(s.version));
        printText("serialNumber", s.serialNumber, sizeof(s.serialNumber));
        printText("uuid", s.uuid, sizeof(s.uuid));
        printf("   %-20s: 0x%02x\n", "wakeUpType", s.wakeUpType);
        printText("skuNumber", s.skuNumber, sizeof(s.skuNumber));
        printText("family", s.family, sizeof(s.family));
    }
    if (count == 0) {
        printf("No System Information record (Type 1)\n");
    }
}

void printSlots() {
    int count = 0;
    Records records = recordsOfType(9, count);
    for (int i = 0; i < count; ++i) {
        DmiSystemSlot_Print(static_cast<const DMI_SYSTEM_SLOT*>(records.get()), i);
    }
    if (count == 0) {
        printf("No System Slot record (Type 9)\n");
    }
}

void printOnboardDevices() {
    int count = 0;
    Records records = recordsOfType(41, count);
    const DMI_ONBOARD_DEVICE_EX* devices = static_cast<const DMI_ONBOARD_DEVICE_EX*>(records.get());
    for (int i = 0; i < count; ++i) {
        const DMI_ONBOARD_DEVICE_EX& d = devices[i];
        printf("Onboard Device record #%d  (Type %d)\n", i, d.type);
        printf("   %-20s: 0x%04x\n", "handle", d.handle);
        printText("referenceDesignation", d.referenceDesignation, sizeof(d.referenceDesignation));
        printf("   %-20s: 0x%02x\n", "deviceType", d.deviceType);
        printf("   %-20s: %u\n", "deviceTypeInstance", d.deviceTypeInstance);
        printf("   %-20s: 0x%04x\n", "segmentGroupNum", d.segmentGroupNum);
        printf("   %-20s: 0x%02x\n", "busNum", d.busNum);
        printf("   %-20s: 0x%02x\n", "devFuncNum", d.devFuncNum);
    }
    if (count == 0) {
        printf("No Onboard Device record (Type 41)\n");
    }
}

int inspectSmbios(const orbhost::Options&, const std::vector<std::string>& args) {
    if (!args.empty()) {
        fprintf(stderr, "orbhost: inspect smbios takes no arguments\n");
        return 2;
    }
    if (SmBiosInit() != 0) {
        fprintf(stderr, "orbhost: no usable SMBIOS table in %s\n",
                orbRootPath("/vmfs/devices/char/mem/smbios").c_str());
        return 1;
    }
    printSystemInformation();
    printSlots();
    printOnboardDevices();
    SmBiosDeinit();
    return 0;
}

const orbhost::InspectCommand kInspectSmbios(
    "smbios", "the firmware's System Information, Slot and Onboard Device records", inspectSmbios);

}  // namespace
