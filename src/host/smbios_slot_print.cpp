#include <stdio.h>
#include <string.h>

#include "host/smbios.h"

void DmiSystemSlot_Print(const DMI_SYSTEM_SLOT* records, int index) {
    if (records == nullptr || index < 0) {
        return;
    }
    const DMI_SYSTEM_SLOT& slot = records[index];
    // The designation is printed by its bounded length: a record filled by hand need not be
    // terminated.
    int designationLength = static_cast<int>(strnlen(slot.designation, sizeof(slot.designation)));
    printf("System Slot record #%d  (Type %d)\n", index, slot.type);
    printf("   %-20s: 0x%04x\n", "handle", slot.handle);
    printf("   %-20s: %.*s\n", "designation", designationLength, slot.designation);
    printf("   %-20s: 0x%02x\n", "type", slot.slotType);
    printf("   %-20s: 0x%02x\n", "busDataWidth", slot.busDataWidth);
    printf("   %-20s: 0x%02x\n", "currentUsage", slot.currentUsage);
    printf("   %-20s: 0x%02x\n", "length", slot.slotLength);
    printf("   %-20s: 0x%04x\n", "id", slot.id);
    printf("   %-20s: 0x%02x\n", "characteristics1", slot.characteristics1);
    printf("   %-20s: 0x%02x\n", "characteristics2", slot.characteristics2);
    printf("   %-20s: 0x%04x\n", "segmentGroupNum", slot.segmentGroupNum);
    printf("   %-20s: 0x%02x\n", "busNum", slot.busNum);
    printf("   %-20s: 0x%02x\n", "devFuncNum", slot.devFuncNum);
}
