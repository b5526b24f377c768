// orbhost inspect pci: refreshes the hardware list, then lists every PCI function on it with
// its GeoID, physical location and manufacturer, as the inventory reports them.
// orbhost inspect pci-vendor ID: the vendor name the built-in table holds for a vendor ID.

#include <stdio.h>

#include <fstream>
#include <string>
#include <vector>

#include "core/platform_path.h"
#include "core/utils.h"
#include "host/os_interface.h"
#include "host/pci_vendors.h"
#include "host/pcie_manufacturer_resolver.h"
#include "host/physloc_factory.h"
#include "host/system_interface_factory.h"
#include "orbhost.h"

namespace {

struct Device {
    std::string address;
    std::string name;
};

// Block headers of the hardware list (the unindented address lines) and each block's
// "Device Name".
std::vector<Device> devicesOnList() {
    std::vector<Device> devices;
    std::ifstream in(orbRootPath(ORB_HARDWARE_LIST_PATH));
    std::string line;
    const std::string nameLabel = "Device Name: ";
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] != ' ') {
            devices.push_back(Device{line, std::string()});
        } else if (!devices.empty()) {
            size_t at = line.find(nameLabel);
            if (at != std::string::npos && devices.back().name.empty()) {
                devices.back().name = line.substr(at + nameLabel.size());
            }
        }
    }
    return devices;
}

int inspectPci(const orbhost::Options&, const std::vector<std::string>& args) {
    if (!args.empty()) {
        fprintf(stderr, "usage: orbhost inspect pci\n");
        return 2;
    }
    if (orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails() != 0) {
        fprintf(stderr, "orbhost: the hardware list could not be refreshed (see the log)\n");
        return 1;
    }
    orbPhysLocInterface* physloc = orbPhysLocFactory::getPhysLocInterface();
    printf("Physical location library: %s\n", physloc->getPhysLocLibraryName().c_str());
    printf("%-13s %-13s %-17s %-28s %s\n", "ADDRESS", "GEOID", "LOCATION", "MANUFACTURER",
           "DEVICE");
    for (const Device& device : devicesOnList()) {
        std::string geoId = orbUtils::getGeoIDStr(device.address);
        std::string location =
            geoId == "NotAvailable" ? "-" : physloc->getPhysLocForIOSlot(device.address);
        std::string subVendorId;
        std::string manufacturer;
        PCIeManufacturerResolver::fetchManufacturer(device.address, subVendorId, manufacturer);
        printf("%-13s %-13s %-17s %-28s %s\n", device.address.c_str(), geoId.c_str(),
               location.c_str(), manufacturer.empty() ? "-" : manufacturer.c_str(),
               device.name.c_str());
    }
    return 0;
}

int inspectPciVendor(const orbhost::Options&, const std::vector<std::string>& args) {
    if (args.size() != 1) {
        fprintf(stderr, "usage: orbhost inspect pci-vendor ID   (four hexadecimal digits)\n");
        return 2;
    }
    const char* name = orbPCIVendorsMap.find(args[0]);
    if (name == nullptr) {
        return 1;
    }
    printf("%s\n", name);
    return 0;
}

const orbhost::InspectCommand pciCommand(
    "pci", "every PCI device with its GeoID, physical location and manufacturer", inspectPci);
const orbhost::InspectCommand pciVendorCommand("pci-vendor",
                                               "ID: the vendor name of a PCI vendor ID",
                                               inspectPciVendor);

}  // namespace
