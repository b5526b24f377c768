#include "host/pcie_manufacturer_resolver.h"

#include <cstdlib>

#include "core/log.h"
#include "core/utils.h"
#include "host/pci_vendors.h"
#include "host/physloc_factory.h"
#include "host/platform_check.h"

namespace {

const char* const TAG = "MFR";

// The ID without its "0x" prefix, as the vendor table keys it.
std::string withoutPrefix(const std::string& id) {
    if (id.size() == 6 && id[0] == '0' && (id[1] == 'x' || id[1] == 'X')) {
        return id.substr(2);
    }
    return id;
}

std::string vendorName(const std::string& subVendorId) {
    const char* name = orbPCIVendorsMap.find(withoutPrefix(subVendorId));
    return name != nullptr ? name : std::string();
}

unsigned idValue(const std::string& id) {
    return static_cast<unsigned>(std::strtoul(withoutPrefix(id).c_str(), nullptr, 16) & 0xffff);
}

}  // namespace

void PCIeManufacturerResolver::fetchManufacturer(const std::string& pci, std::string& subVendorId,
                                                 std::string& manufacturer) {
    int code = orbPhysLocFactory::getPhysLocInterface()->checkIfPCICardIsOnBoard(pci);
    if (code == ORB_PCI_CARD_ON_BOARD) {
        fetchManufacturerFromSmbios(manufacturer);
        if (manufacturer.empty()) {
            ORB_LOG_DEBUG(TAG, "Unable to fetch manufacturer name for OnBoard cards");
        }
    } else if (code == ORB_PCI_CARD_ADD_IN) {
        if (!subVendorId.empty()) {
            manufacturer = vendorName(subVendorId);
        } else {
            fetchManufacturerFromOS(pci, subVendorId, manufacturer);
        }
        if (manufacturer.empty()) {
            ORB_LOG_INFO(TAG,
                         "Unable to fetch manufacturer name for PCI Subsystem Vendor ID : 0x%04x "
                         "as there is no mapping vendor information.",
                         idValue(subVendorId));
        }
    } else {
        ORB_LOG_INFO(TAG,
                     "Unable to fetch manufacturer name for PCI device : %s as it is neither "
                     "OnBoard nor Add-in device",
                     pci.c_str());
    }
}

void PCIeManufacturerResolver::fetchManufacturerFromSmbios(std::string& manufacturer) {
    manufacturer = platformCheck::getCardManufacturer();
}

void PCIeManufacturerResolver::fetchManufacturerFromOS(const std::string& pci,
                                                       std::string& subVendorId,
                                                       std::string& manufacturer) {
    std::string id;
    getSubvendorID(pci, id);
    subVendorId = withoutPrefix(id);
    if (!subVendorId.empty()) {
        manufacturer = vendorName(subVendorId);
    }
}

void PCIeManufacturerResolver::getSubvendorID(const std::string& pci, std::string& id) {
    // The address goes into a shell pipeline over the hardware list: only the address form
    // ESXi prints may reach it.
    if (!orbUtils::isValidPciAddress(pci)) {
        ORB_LOG_ERROR(TAG, "Error(%s) occurred in identifying SubVendor id for %s",
                      "invalid PCI address", pci.c_str());
        return;
    }
    id = orbUtils::get_subvendor_subdevice(pci).first;
}
