// What the NVMe manager reads out of esxcli: the adapter list, "Label: value" blocks (device
// identify data, SMART log), the PCI list, the namespace and capacity lists, and the values
// of SMART flags and counters. Any bytes in, no read past them, no crash, and no adapter or
// namespace name that could reach the shell unchecked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/utils.h"
#include "nvme/nvme_tool_output.h"
#include "nvme/nvme_vmware_interface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        end = end == std::string_view::npos ? text.size() : end;
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end + 1;
    }

    volatile bool listing = orb_nvme_is_adapter_listing(lines);
    (void)listing;
    std::vector<std::string> refused;
    for (const std::string& name : orb_nvme_adapter_names(lines, refused)) {
        if (!orb_nvme_is_safe_name(name)) {
            __builtin_trap();
        }
    }
    for (const char* label : orbNvmeVmwareInterface::kSmartLabels) {
        std::string value;
        if (orb_nvme_labelled_value(lines, label, value) && value.size() > size) {
            __builtin_trap();
        }
        bool flag = false;
        orb_nvme_parse_flag(value, flag);
        int64_t number = 0;
        if (orb_nvme_parse_counter(value, number) && number < 0) {
            __builtin_trap();
        }
    }
    std::string address;
    if (orb_nvme_pci_address_of(lines, "vmhba4", address) &&
        !orbUtils::isValidPciAddress(address)) {
        __builtin_trap();
    }
    for (const orbNvmeNamespaceRow& row : orb_nvme_namespace_rows(lines)) {
        uint64_t bytes = 0;
        orb_nvme_device_capacity(lines, row.deviceName, bytes);
    }
    const std::string key = orb_nvme_vendor_key(text);
    if (!key.empty() && key.size() != 4) {
        __builtin_trap();
    }
    return 0;
}
