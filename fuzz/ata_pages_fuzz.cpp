// ATA data read through ATA PASS-THROUGH: IDENTIFY DEVICE, Device Statistics pages, the
// Extended Comprehensive SMART Error log, and ATA strings over any word range.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "storage/ata_pages.h"
#include "storage/scsi_queries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    _ORB_ATA_IDENTIFY_INFO info;
    if (orb_parse_identify_device(data, size, &info) == 0) {
        if (std::strlen(info.modelNumber) > 40 || std::strlen(info.serialNumber) > 20 ||
            std::strlen(info.firmwareRevision) > 8) {
            __builtin_trap();
        }
    }
    char firmware[9];
    orb_parse_identify_firmware(data, size, firmware, sizeof(firmware));
    for (uint8_t page = 0; page < 8; ++page) {
        for (size_t offset = 0; offset < 128; offset += 8) {
            unsigned long long value = 0;
            orb_parse_device_statistic(data, size, page, offset, &value);
        }
    }
    int value = 0;
    sata_parse_current(data, size, &value);
    sata_parse_mcot(data, size, &value);
    orb_parse_ext_error_log(data, size);
    if (size >= 2) {
        char text[64];
        unsigned first = data[0];
        unsigned count = data[1] % 40;
        if (get_ata_string_bounded(text, sizeof(text), data, size, first, count) &&
            std::strlen(text) > 2 * count) {
            __builtin_trap();
        }
    }
    return 0;
}
