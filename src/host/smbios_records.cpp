#include <stdlib.h>
#include <syslog.h>

#include "host/smbios.h"
#include "host/smbios_table.h"

namespace {

struct RecordKind {
    int type;
    size_t recordSize;
    int (*decode)(void* records, const SMBIOS_STRUCTURE* structure, int index);
    const char* allocationFailure;
};

int decodeSystemInfo(void* records, const SMBIOS_STRUCTURE* structure, int index) {
    return DmiSystemInfo_decode(static_cast<DMI_SYSTEM_INFO*>(records), structure, index);
}
int decodeSystemSlot(void* records, const SMBIOS_STRUCTURE* structure, int index) {
    return DmiSystemSlot_Decode(static_cast<DMI_SYSTEM_SLOT*>(records), structure, index);
}
int decodeOnboardDevice(void* records, const SMBIOS_STRUCTURE* structure, int index) {
    return DmiOnboardDevicesEx_decode(static_cast<DMI_ONBOARD_DEVICE_EX*>(records), structure,
                                      index);
}

const RecordKind kRecordKinds[] = {
    {1, sizeof(DMI_SYSTEM_INFO), decodeSystemInfo,
     "Malloc failed for SystemInfo table with SystemInfo : 0x%x "},
    {9, sizeof(DMI_SYSTEM_SLOT), decodeSystemSlot,
     "Malloc failed for SystemSlots table with pSlotTbl : 0x%x "},
    {41, sizeof(DMI_ONBOARD_DEVICE_EX), decodeOnboardDevice,
     "Malloc failed for Onboard Devices Extended Info table with pDevice : 0x%x"},
};

const RecordKind* kindOf(int type) {
    for (const RecordKind& kind : kRecordKinds) {
        if (kind.type == type) {
            return &kind;
        }
    }
    return nullptr;
}

}  // namespace

// C linkage: a failure of memory or of the table lock is -1, never an exception.
int getSmbiosRecordsByType(int type, void** records, int* count) try {
    if (records == nullptr || count == nullptr) {
        return -1;
    }
    *records = nullptr;
    *count = 0;
    const RecordKind* kind = kindOf(type);
    if (kind == nullptr) {
        return -1;
    }
    int result = -1;
    smbios_with_structures([&](const std::vector<SMBIOS_STRUCTURE>& structures) {
        int matches = 0;
        for (const SMBIOS_STRUCTURE& structure : structures) {
            if (structure.data[0] == type) {
                ++matches;
            }
        }
        if (matches == 0) {
            return;
        }
        void* array = calloc(static_cast<size_t>(matches), kind->recordSize);
        if (array == nullptr) {
            syslog(LOG_WARNING, kind->allocationFailure, 0u);
            return;
        }
        int index = 0;
        for (const SMBIOS_STRUCTURE& structure : structures) {
            if (structure.data[0] == type) {
                kind->decode(array, &structure, index++);
            }
        }
        *records = array;
        *count = matches;
        result = 0;
    });
    return result;
} catch (...) {
    return -1;
}
