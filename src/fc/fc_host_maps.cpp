#include "fc/fc_host_maps.h"

#include <cctype>

#include "core/log.h"
#include "core/shell_command.h"
#include "core/utils.h"

namespace {

const char* const kTag = "FC_RM";
const char* const kTopologyCommand =
    "localcli hardware pci list | grep -e 'Address: ' -e 'VMkernel Name:'";
const char* const kNameCommand =
    "localcli storage san fc list | grep -e 'Adapter: ' -e 'Node Name:'";
constexpr size_t kAdapterNameLimit = 64;

// The value of "  Label: value" when the trimmed line starts with the label, else false.
bool valueOf(const std::string& line, const std::string& label, std::string& value) {
    std::string trimmed;
    orbUtils::trimLeadingTrailingSpaces(line, trimmed);
    if (trimmed.compare(0, label.size(), label) != 0) {
        return false;
    }
    orbUtils::trimLeadingTrailingSpaces(trimmed.substr(label.size()), value);
    return true;
}

std::string lowered(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool isAdapterName(const std::string& name) {
    if (name.empty() || name.size() > kAdapterNameLimit) {
        return false;
    }
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '-') {
            return false;
        }
    }
    return true;
}

// xx:xx:xx:xx:xx:xx:xx:xx in lower-case hexadecimal digits.
bool isWwn(const std::string& text) {
    if (text.size() != 23) {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        const bool separator = i % 3 == 2;
        if (separator ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
    }
    return true;
}

// A failure is logged as an error once; the retries that follow at each build log at debug
// level.
bool run(const char* command, std::vector<std::string>& lines, bool& failureLogged) {
    const int status = orbRunShellCommand(command, lines);
    if (status != 0) {
        const orbLogKind kind = failureLogged ? orbLogKind::Debug : orbLogKind::Error;
        failureLogged = true;
        ORB_LOG(kind, kTag, "[%s] %s; Fibre Channel adapters are reported without host details.",
                command, orbShellResultText(status).c_str());
        lines.clear();
        return false;
    }
    return true;
}

}  // namespace

std::map<std::string, std::string> fc_parse_topology(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> map;
    std::string address;
    for (const std::string& line : lines) {
        std::string value;
        if (valueOf(line, "Address: ", value)) {
            value = lowered(value);
            address = orbUtils::isValidPciAddress(value) ? value : std::string();
        } else if (valueOf(line, "VMkernel Name:", value)) {
            // A name belongs to the address just above it, and to no other.
            if (!address.empty() && isAdapterName(value)) {
                map.emplace(value, address);
            }
            address.clear();
        }
    }
    return map;
}

std::map<std::string, std::string> fc_parse_node_names(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> map;
    std::string adapter;
    for (const std::string& line : lines) {
        std::string value;
        if (valueOf(line, "Adapter: ", value)) {
            adapter = isAdapterName(value) ? value : std::string();
        } else if (valueOf(line, "Node Name:", value)) {
            value = lowered(value);
            if (!adapter.empty() && isWwn(value)) {
                map.emplace(value, adapter);
            }
            adapter.clear();
        }
    }
    return map;
}

bool orbFcHostMaps::initFcInfoMap() {
    std::vector<std::string> lines;
    const bool ran = run(kTopologyCommand, lines, infoFailureLogged);
    pciOfName = fc_parse_topology(lines);
    infoBuilt = ran;
    return ran;
}

bool orbFcHostMaps::initFcNameMap() {
    std::vector<std::string> lines;
    const bool ran = run(kNameCommand, lines, namesFailureLogged);
    nameOfNode = fc_parse_node_names(lines);
    namesBuilt = ran;
    return ran;
}

void orbFcHostMaps::initMissingMaps() {
    if (!infoBuilt) {
        initFcInfoMap();
    }
    if (!namesBuilt) {
        initFcNameMap();
    }
}

std::string orbFcHostMaps::getFcOsDevicename(const std::string& nodeWwn) const {
    auto found = nameOfNode.find(nodeWwn);
    return found == nameOfNode.end() ? std::string() : found->second;
}

std::string orbFcHostMaps::getFcPciStr(const std::string& osName) const {
    auto found = pciOfName.find(osName);
    return found == pciOfName.end() ? std::string() : found->second;
}
