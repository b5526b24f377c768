#pragma once

#include <stddef.h>
#include <stdint.h>

// The firmware's SMBIOS structure table as ESXi exposes it in /vmfs/devices/char/mem/smbios:
// the table is loaded once per process and decoded copies of three structure types are handed
// out. Offsets and string numbering are those of the DMTF SMBIOS 2.x structures.

#ifdef __cplusplus
extern "C" {
#endif

// System Information (type 1).
typedef struct _DMI_SYSTEM_INFO {
    uint8_t type;
    uint8_t length;
    uint16_t handle;
    char manufacturer[64];
    char productName[128];
    char version[128];
    char serialNumber[128];
    char uuid[255];
    uint8_t wakeUpType;
    char skuNumber[128];
    char family[64];
} DMI_SYSTEM_INFO;

// System Slots (type 9). slotType and slotLength are the slot's own "type" and "length" fields
// (offsets 5 and 8), not the structure header's.
typedef struct _DMI_SYSTEM_SLOT {
    uint8_t type;
    uint8_t length;
    uint16_t handle;
    char designation[128];
    uint8_t slotType;
    uint8_t busDataWidth;
    uint8_t currentUsage;
    uint8_t slotLength;
    uint16_t id;
    uint8_t characteristics1;
    uint8_t characteristics2;
    uint16_t segmentGroupNum;
    uint8_t busNum;
    uint8_t devFuncNum;
} DMI_SYSTEM_SLOT;

// Onboard Devices Extended Information (type 41). deviceType has the enabled bit removed.
typedef struct _DMI_ONBOARD_DEVICE_EX {
    uint8_t type;
    uint8_t length;
    uint16_t handle;
    char referenceDesignation[128];
    uint8_t deviceType;
    uint8_t deviceTypeInstance;
    uint16_t segmentGroupNum;
    uint8_t busNum;
    uint8_t devFuncNum;
} DMI_ONBOARD_DEVICE_EX;

// One raw structure inside the loaded table: its bytes from the type byte on, as many as the
// table still holds for it (formatted area and strings, up to the double zero that ends them).
typedef struct _SMBIOS_STRUCTURE {
    const uint8_t* data;
    size_t size;
} SMBIOS_STRUCTURE;

// Loads the table from the device file: 0 when it is loaded (or already was), -1 otherwise.
int SmBiosInit(void);

// Loads the table from bytes laid out as the device file is (the "_SM_" entry point followed by
// the structure table); the bytes are copied. 0 when loaded (or already was), -1 otherwise.
int SmBiosInitFromBuffer(const uint8_t* bytes, size_t size);

// Frees the table; SmBiosInit can load it again afterwards.
void SmBiosDeinit(void);

// Decodes every structure of type 1, 9 or 41 into a new calloc'ed array of DMI_SYSTEM_INFO,
// DMI_SYSTEM_SLOT or DMI_ONBOARD_DEVICE_EX that the caller frees with free(). 0 on success; -1
// (with a null array and a count of 0) when the table is not loaded, the type is not one of
// the three, or the table holds no structure of that type.
int getSmbiosRecordsByType(int type, void** records, int* count);

// Decode one raw structure into records[index]; -1 for a null argument or a negative index.
int DmiSystemInfo_decode(DMI_SYSTEM_INFO* records, const SMBIOS_STRUCTURE* structure, int index);
int DmiSystemSlot_Decode(DMI_SYSTEM_SLOT* records, const SMBIOS_STRUCTURE* structure, int index);
int DmiOnboardDevicesEx_decode(DMI_ONBOARD_DEVICE_EX* records, const SMBIOS_STRUCTURE* structure,
                               int index);

// Prints records[index] on standard output, one line per field.
void DmiSystemSlot_Print(const DMI_SYSTEM_SLOT* records, int index);

#ifdef __cplusplus
}  // extern "C"
#endif
