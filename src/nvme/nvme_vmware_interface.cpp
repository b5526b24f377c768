#include "nvme/nvme_vmware_interface.h"

#include <limits>

#include "core/log.h"
#include "core/shell_command.h"
#include "core/utils.h"
#include "host/pcie_manufacturer_resolver.h"
#include "host/physloc_factory.h"
#include "nvme/nvme_tool_output.h"

namespace {

const char* const kTag = "VMWARE_NVME_INTF";

// One line of a tool's output is far shorter; longer pieces are cut where they are.
constexpr size_t kLineChunk = 2048;

// Runs a command line; true with its output when it ran and exited with 0.
bool run(const std::string& command, std::vector<std::string>& output) {
    ORB_LOG_DEBUG(kTag, "The command is %s", command.c_str());
    output.clear();
    const int status = orbRunShellCommand(command, output, kLineChunk);
    if (status != 0) {
        ORB_LOG_WARNING(kTag, "%s: %s", command.c_str(), orbShellResultText(status).c_str());
        output.clear();
        return false;
    }
    return true;
}

// The field's value, or empty with a log line naming the field when it cannot be found.
std::string field(const std::vector<std::string>& lines, const char* label, const char* what,
                  const std::string& name) {
    std::string value;
    if (!orb_nvme_labelled_value(lines, label, value) || value.empty()) {
        ORB_LOG_WARNING(kTag, "Cound not fetch %s for %s", what, name.c_str());
        return std::string();
    }
    return value;
}

int slotNumber(const std::string& text) {
    int64_t number = 0;
    if (!orb_nvme_parse_counter(text, number) || number > std::numeric_limits<int>::max()) {
        return 0;
    }
    return static_cast<int>(number);
}

}  // namespace

const char* const orbNvmeVmwareInterface::kSmartLabels[7] = {
    "Available Spare Space Below Threshold",
    "Temperature Warning",
    "NVM Subsystem Reliability Degradation",
    "Read Only Mode",
    "Volatile Memory Backup Device Failure",
    "Percentage Used",
    "Power On Hours",
};

orbNvmeVmwareInterface* orbNvmeVmwareInterface::getInstance() {
    static orbNvmeVmwareInterface instance;
    return &instance;
}

int orbNvmeVmwareInterface::populateNvmeInstances(std::vector<std::string>& names) {
    names.clear();
    std::vector<std::string> lines;
    if (!run("esxcli nvme device list | awk '{print $1}'", lines) ||
        !orb_nvme_is_adapter_listing(lines)) {
        ORB_LOG_ERROR(kTag, "Error occurred in identifying NVMe instances.");
        return -1;
    }
    std::vector<std::string> refused;
    names = orb_nvme_adapter_names(lines, refused);
    for (const std::string& name : refused) {
        ORB_LOG_WARNING(kTag,
                        "NVMe adapter name [%s] holds characters an adapter name never has; "
                        "adapter skipped.",
                        name.c_str());
    }
    if (names.empty()) {
        ORB_LOG_INFO(kTag, "Found zero NVMe instances");
    }
    return 0;
}

int orbNvmeVmwareInterface::fetchNvmeProperties(const std::string& name, INvmeDevice& device) {
    ORB_LOG_DEBUG(kTag, "The deviceName to query NVMe properties : %s", name.c_str());
    if (!orb_nvme_is_safe_name(name)) {
        ORB_LOG_ERROR(kTag, "Refusing to query NVMe adapter of unexpected name [%s]", name.c_str());
        return -1;
    }
    std::vector<std::string> lines;
    if (!run("esxcli nvme device get -A " + orbShellQuote(name), lines)) {
        return -1;
    }
    const std::string serial = field(lines, "Serial Number", "Serial Number", name);
    const std::string model = field(lines, "Model Number", "Model Number", name);
    const std::string firmware = field(lines, "Firmware Revision", "Firmware Version", name);
    // The map of vendor names is keyed by four lower-case digits, as "0x144D" is not.
    const std::string vendor =
        orb_nvme_vendor_key(field(lines, "PCISSVID", "SubSystem VendorID", name));

    std::string address;
    if (!getNvmePCIAddress(name, address)) {
        ORB_LOG_WARNING(kTag, "Cound not fetch PCI Address for %s", name.c_str());
    }
    std::string description;
    int slot = 0;
    std::string location;
    getNvmePCIeProperties(address, description, slot, location);

    std::string manufacturer;
    if (!address.empty() && !vendor.empty()) {
        std::string subVendor = vendor;
        PCIeManufacturerResolver::fetchManufacturer(address, subVendor, manufacturer);
    }
    const int64_t detected = getNvmeCapacityBytesDetected(name);

    auto orNotAvailable = [](const std::string& text) {
        return text.empty() ? std::string("NotAvailable") : text;
    };
    device.setBasicProperties(orNotAvailable(model), orNotAvailable(serial),
                              orNotAvailable(firmware), orNotAvailable(address), manufacturer,
                              detected);
    device.setPCIeProperties(description, slot, location);
    return 0;
}

bool orbNvmeVmwareInterface::getNvmePCIAddress(const std::string& name, std::string& address) {
    std::vector<std::string> lines;
    // Fixed-string, whole-word: vmhba4 must not match vmhba40, nor be read as a pattern.
    if (!run("esxcli hardware pci list | grep -B 20 -F -w " + orbShellQuote(name), lines)) {
        return false;
    }
    return orb_nvme_pci_address_of(lines, name, address);
}

void orbNvmeVmwareInterface::getNvmePCIeProperties(const std::string& address,
                                                   std::string& description, int& slot,
                                                   std::string& location) {
    std::string geoId = orbUtils::getGeoIDStr(address);
    if (geoId == "NotAvailable") {
        geoId.clear();
    }
    description = "PCI " + address + " " + geoId;
    orbPhysLocInterface* locator = orbPhysLocFactory::getPhysLocInterface();
    slot = slotNumber(locator->getPCIeSlotForIOSlot(address));
    location = locator->getPhysLocForIOSlot(address);
}

std::vector<std::string> orbNvmeVmwareInterface::getNamespaceListsForThisDevice(
    const std::string& name) {
    std::vector<std::string> devices;
    std::vector<std::string> lines;
    if (!run("esxcli nvme device namespace list -A " + orbShellQuote(name), lines)) {
        ORB_LOG_WARNING(kTag, "No namespaces identified for %s", name.c_str());
        return devices;
    }
    for (const orbNvmeNamespaceRow& row : orb_nvme_namespace_rows(lines)) {
        if (row.deviceName.empty()) {
            ORB_LOG_WARNING(kTag, "Device Name missing for Namespace ID : %s", row.id.c_str());
            continue;
        }
        if (!orb_nvme_is_safe_name(row.deviceName)) {
            ORB_LOG_WARNING(kTag,
                            "Namespace ID %s has a device name of unexpected form [%s]; "
                            "namespace skipped.",
                            row.id.c_str(), row.deviceName.c_str());
            continue;
        }
        ORB_LOG_DEBUG(kTag, "The namespaceID is %s", row.id.c_str());
        devices.push_back(row.deviceName);
    }
    if (devices.empty()) {
        ORB_LOG_WARNING(kTag, "No namespaces identified for %s", name.c_str());
    } else {
        ORB_LOG_DEBUG(kTag, "Device : %s, Number of Namespaces : %d", name.c_str(),
                      static_cast<int>(devices.size()));
    }
    return devices;
}

bool orbNvmeVmwareInterface::fetchNamespaceAttributes(const std::string& deviceName,
                                                      uint64_t& bytes) {
    std::vector<std::string> lines;
    // grep only narrows the listing; the row is then matched on its whole first column.
    if (!run("esxcli storage core device capacity list | grep -F -w " + orbShellQuote(deviceName),
             lines) ||
        !orb_nvme_device_capacity(lines, deviceName, bytes)) {
        ORB_LOG_WARNING(kTag, "Could not fetch namespace attributes for %s", deviceName.c_str());
        return false;
    }
    return true;
}

int64_t orbNvmeVmwareInterface::getNvmeCapacityBytesDetected(const std::string& name) {
    uint64_t total = 0;
    for (const std::string& deviceName : getNamespaceListsForThisDevice(name)) {
        uint64_t bytes = 0;
        if (!fetchNamespaceAttributes(deviceName, bytes)) {
            continue;
        }
        if (bytes > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) - total) {
            ORB_LOG_WARNING(kTag, "Namespace sizes of %s exceed any drive; capacity not added.",
                            name.c_str());
            break;
        }
        total += bytes;
    }
    ORB_LOG_DEBUG(kTag, "The capacityBytesDetected is %lld", static_cast<long long>(total));
    return static_cast<int64_t>(total);
}

int orbNvmeVmwareInterface::getNvmeSmartLogInfo(const std::string& name, orbNvmeSmartInfo& smart) {
    smart.deviceName = name;
    if (!orb_nvme_is_safe_name(name)) {
        ORB_LOG_ERROR(kTag, "Refusing to query NVMe adapter of unexpected name [%s]", name.c_str());
        return -1;
    }
    std::vector<std::string> lines;
    if (!run("esxcli nvme device log smart get -A " + orbShellQuote(name), lines)) {
        ORB_LOG_WARNING(kTag, "SMART log of %s could not be read; its health is unknown.",
                        name.c_str());
        return -1;
    }
    std::vector<std::string> values;
    std::vector<bool> found;
    for (const char* label : kSmartLabels) {
        std::string value;
        found.push_back(orb_nvme_labelled_value(lines, label, value));
        values.push_back(value);
    }
    return setSmartInfo(name, values, found, smart) ? 0 : -1;
}

bool orbNvmeVmwareInterface::setSmartInfo(const std::string& name,
                                          const std::vector<std::string>& values,
                                          const std::vector<bool>& found, orbNvmeSmartInfo& smart) {
    smart.deviceName = name;
    bool* const flags[5] = {&smart.AvailableSpareBelowThreshold, &smart.TemperatureWarning,
                            &smart.ReliabilityDegraded, &smart.ReadOnlyMode,
                            &smart.VolatileMemoryBackupFailed};
    int64_t* const counters[2] = {&smart.PercentageUsed, &smart.PowerOnHours};
    for (size_t i = 0; i < 7; ++i) {
        const bool present = i < found.size() && found[i] && i < values.size();
        const std::string value = present ? values[i] : std::string();
        if (i < 5) {
            // A missing or unreadable warning bit leaves the health unknown: reading it as
            // false would report a failing device as healthy.
            if (!present || !orb_nvme_parse_flag(value, *flags[i])) {
                ORB_LOG_WARNING(kTag,
                                "SMART log of %s has no readable \"%s\"; its health is "
                                "unknown.",
                                name.c_str(), kSmartLabels[i]);
                smart.state = ORB_STATE_UNKNOWN;
                smart.health = ORB_HEALTH_UNKNOWN;
                return false;
            }
        } else if (!present || !orb_nvme_parse_counter(value, *counters[i - 5])) {
            ORB_LOG_DEBUG(kTag, "SMART log of %s has no readable \"%s\".", name.c_str(),
                          kSmartLabels[i]);
            *counters[i - 5] = 0;
        }
    }
    smart.deriveStatus();
    return true;
}
