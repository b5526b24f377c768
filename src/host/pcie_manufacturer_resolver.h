#pragma once

#include <string>

// Decides the "Manufacturer" of a PCI device: the server's own manufacturer for a device built
// into the system board, the name of the PCI subsystem vendor for an add-in card. An empty
// manufacturer is a normal outcome (no mapping, no slot information).
class PCIeManufacturerResolver {
  public:
    // subVendorId may carry the card's subsystem vendor ID (four hexadecimal digits); when
    // empty it is filled from the hardware list. manufacturer is left as it is for a device
    // that is neither on board nor an add-in card.
    static void fetchManufacturer(const std::string& pci, std::string& subVendorId,
                                  std::string& manufacturer);
    static void fetchManufacturerFromSmbios(std::string& manufacturer);
    static void fetchManufacturerFromOS(const std::string& pci, std::string& subVendorId,
                                        std::string& manufacturer);
    // The "SubVendor ID" value of the device's block in the hardware list ("0x10df"), or
    // empty.
    static void getSubvendorID(const std::string& pci, std::string& id);
};
