// SCSI mode pages (MODE SENSE 6 and 10): Protocol Specific Port, Phy Control and Discover,
// Informational Exceptions Control, with whatever block descriptors the header claims.
#include <cstddef>
#include <cstdint>

#include "storage/scsi_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int protocol = orb_parse_protocol_port_page(data, size);
    uint8_t attached = 0;
    uint8_t rate = 0;
    int speed = orb_parse_phy_control_page(data, size, &attached, &rate);
    const uint8_t* page = nullptr;
    int smart = orb_parse_ie_control_page(data, size, &page);
    if (protocol > 15 || speed > 15 || smart > 1) {
        __builtin_trap();
    }
    if (page != nullptr && (page < data || page + 4 > data + size)) {
        __builtin_trap();
    }
    return 0;
}
