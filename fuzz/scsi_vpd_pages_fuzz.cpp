// SCSI VPD pages and standard INQUIRY data: unit serial number, device identification,
// block device characteristics, and the fields of standard INQUIRY data.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "storage/scsi_pages.h"
#include "storage/scsi_queries.h"

namespace {

// Every text handed out is terminated within what the decoder allocated.
void check(char* text, size_t limit) {
    if (text != nullptr && std::strlen(text) > limit) {
        __builtin_trap();
    }
    std::free(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    check(orb_parse_unit_serial_page(data, size), size);
    check(orb_parse_device_identification_page(data, size), 4 + 2 * size);
    check(orb_parse_inquiry_serial(data, size), 20);
    check(inq_parse_vendor(data, size), 8);
    check(inq_parse_prodID(data, size), 16);
    check(inq_parse_rev(data, size), 4);
    if (orb_parse_block_characteristics_page(data, size) > 0xFFFF ||
        inq_parse_type(data, size) > 31) {
        __builtin_trap();
    }
    return 0;
}
