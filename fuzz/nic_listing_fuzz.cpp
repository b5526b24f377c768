// The values read out of the ESXi port listing and details, the listing's rows and link lines
// as the NIC manager reads them, and the vendor lookup by ID text: any bytes in, no read past
// them, no crash, and no row whose name or address could reach the shell.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "host/pci_vendors.h"
#include "nic/nic_listing_values.h"
#include "nic/nic_port_listing.h"

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

    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        end = end == std::string_view::npos ? text.size() : end;
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }
    std::vector<std::vector<std::string>> rows;
    std::vector<size_t> refused;
    const int result = nic_parse_port_listing(lines, rows, refused);
    if (result != NIC_LISTING_OK && !rows.empty()) {
        __builtin_trap();
    }
    for (const std::vector<std::string>& row : rows) {
        if (row.size() != 10 || !nic_is_port_name(row[0]) || !nic_is_pci_address(row[1])) {
            __builtin_trap();
        }
    }
    for (const auto& link : nic_parse_link_lines(lines)) {
        if (link.first.empty() || link.second.empty()) {
            __builtin_trap();
        }
    }
    return 0;
}
