// Manufacturer of PCI devices on the default host: the server's manufacturer for devices on
// the system board, the subsystem vendor's name for add-in cards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/pcie_manufacturer_resolver.h"
#include "host/system_interface_factory.h"
#include "support/test_environment.h"

namespace {

std::string manufacturerOf(const std::string& pci, std::string subVendorId = "",
                           std::string manufacturer = "") {
    PCIeManufacturerResolver::fetchManufacturer(pci, subVendorId, manufacturer);
    return manufacturer;
}

TEST(Manufacturer, OnBoardAndAddInDevicesOfTheHost) {
    // Without a hardware list an add-in card has no subsystem vendor and so no manufacturer.
    EXPECT_EQ(manufacturerOf("0000:3b:00.0"), "");
    ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    EXPECT_EQ(manufacturerOf("0000:18:00.0"), "Vex");  // "Vex Systems Inc." on board
    EXPECT_EQ(manufacturerOf("0000:3b:00.0"), "Adaptec");
    std::string subVendorId, manufacturer;
    PCIeManufacturerResolver::fetchManufacturer("0000:86:00.0", subVendorId, manufacturer);
    EXPECT_EQ(manufacturer, "Emulex Corporation");
    EXPECT_EQ(subVendorId, "10df");
    // A subsystem vendor the caller already knows decides alone.
    EXPECT_EQ(manufacturerOf("0000:86:00.0", "1077"), "QLogic Corp.");

    EXPECT_EQ(manufacturerOf("0000:3b:00.0", "1f3c"), "");
    // The SMBus function has no slot information: neither on board nor add-in.
    EXPECT_EQ(manufacturerOf("0000:00:1f.4", "", "unchanged"), "unchanged");
}

TEST(Manufacturer, AddressIsCheckedBeforeItReachesTheShell) {
    ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    const std::string marker = orbtest::rootPath("/injected");
    for (const std::string& pci :
         {"0000:3b:00.0/' /dev/null; touch " + marker + "; echo '", "$(touch " + marker + ")"}) {
        std::string id = "unchanged";
        PCIeManufacturerResolver::getSubvendorID(pci, id);
        EXPECT_EQ(id, "unchanged");
    }
    EXPECT_FALSE(std::filesystem::exists(marker));
}

}  // namespace
