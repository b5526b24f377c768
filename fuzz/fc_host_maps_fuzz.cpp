// The FC manager's maps from the localcli listings (node WWN -> VMkernel adapter, adapter ->
// PCI address): any bytes in, no crash, and only names, WWNs and addresses of the tools' form
// come out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/utils.h"
#include "fc/fc_host_maps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        size_t end = text.find('\n', begin);
        end = end == std::string_view::npos ? text.size() : end + 1;
        lines.emplace_back(text.substr(begin, end - begin));
        begin = end;
    }
    for (const auto& entry : fc_parse_topology(lines)) {
        if (entry.first.empty() || entry.first.size() > 64 ||
            !orbUtils::isValidPciAddress(entry.second)) {
            __builtin_trap();
        }
    }
    for (const auto& entry : fc_parse_node_names(lines)) {
        if (entry.first.size() != 23 || entry.second.empty() || entry.second.size() > 64) {
            __builtin_trap();
        }
    }
    return 0;
}
