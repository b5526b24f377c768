// The values read out of the ESXi port listing and details, and the vendor lookup by ID text:
// any bytes in, no read past them, no crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/pci_vendors.h"
#include "nic/nic_listing_values.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    volatile unsigned id = nic_pci_id_value(text);
    (void)id;
    int speed = 0;
    nic_parse_speed(text, speed);
    std::string firmware;
    if (nic_firmware_from_line(text, firmware) && firmware.size() > size) {
        __builtin_trap();
    }
    const char* name = orbPCIVendorsMap.find(text);
    if (name != nullptr && text.size() != 4) {
        __builtin_trap();
    }
    return 0;
}
