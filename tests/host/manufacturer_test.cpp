// Manufacturer of PCI devices on the default host: the server's manufacturer for devices on
// the system board, the subsystem vendor's name for add-in cards.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/pcie_manufacturer_resolver.h"
#include "host/system_interface_factory.h"
#include "support/test_environment.h"

namespace {

void refreshHardwareList() {
    ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
}

TEST(Manufacturer, OnBoardAndAddInDevicesOfTheHost) {
    refreshHardwareList();
    struct Case {
        const char* pci;
        const char* manufacturer;
        const char* subVendorId;  // as filled in
    };
    const Case cases[] = {
        {"0000:18:00.0", "Vex", ""},  // on board: first word of "Vex Systems Inc."
        {"0000:00:17.0", "Vex", ""},
        {"0000:3b:00.0", "Broadcom / LSI", "1000"},
        {"0000:86:00.0", "Emulex Corporation", "10df"},
        {"0000:af:00.0", "Intel Corporation", "8086"},
        {"0000:d8:00.0", "Samsung Electronics Co Ltd", "144d"},
    };
    for (const Case& c : cases) {
        std::string subVendorId;
        std::string manufacturer;
        PCIeManufacturerResolver::fetchManufacturer(c.pci, subVendorId, manufacturer);
        EXPECT_EQ(manufacturer, c.manufacturer) << c.pci;
        EXPECT_EQ(subVendorId, c.subVendorId) << c.pci;
    }
}

TEST(Manufacturer, KnownSubsystemVendorIdIsUsedAsGiven) {
    // No hardware list at all: the given ID alone decides.
    std::string subVendorId = "1077";
    std::string manufacturer;
    PCIeManufacturerResolver::fetchManufacturer("0000:86:00.0", subVendorId, manufacturer);
    EXPECT_EQ(manufacturer, "QLogic Corp.");
    EXPECT_EQ(subVendorId, "1077");
}

TEST(Manufacturer, UnresolvableDevicesAreLogged) {
    struct Case {
        const char* what;
        const char* pci;
        const char* subVendorId;
        bool withList;
        const char* initial;
        const char* manufacturer;
        const char* logLine;
    };
    const Case cases[] = {
        {"vendor not in the table", "0000:3b:00.0", "1f3c", true, "", "",
         "Unable to fetch manufacturer name for PCI Subsystem Vendor ID : 0x1f3c as there is no "
         "mapping vendor information."},
        {"no hardware list", "0000:3b:00.0", "", false, "", "",
         "PCI Subsystem Vendor ID : 0x0000 as there is no mapping"},
        {"no slot information", "0000:00:1f.4", "", true, "unchanged", "unchanged",
         "Unable to fetch manufacturer name for PCI device : 0000:00:1f.4 as it is neither "
         "OnBoard nor Add-in device"},
        {"not an address", "0000:3b:00", "", true, "unchanged", "unchanged",
         "as it is neither OnBoard"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(orbtest::rootPath("/opt/vex/orb/data/orb_hwlist.txt"));
        if (c.withList) {
            refreshHardwareList();
        }
        orbtest::LogMark mark;
        std::string subVendorId = c.subVendorId;
        std::string manufacturer = c.initial;
        PCIeManufacturerResolver::fetchManufacturer(c.pci, subVendorId, manufacturer);
        EXPECT_EQ(manufacturer, c.manufacturer);
        EXPECT_NE(mark.mainSince().find(c.logLine), std::string::npos) << mark.mainSince();
    }
}

TEST(Manufacturer, AddressIsCheckedBeforeItReachesTheShell) {
    refreshHardwareList();
    const std::string marker = orbtest::rootPath("/injected");
    const std::string hostile[] = {
        "0000:3b:00.0/' /dev/null; touch " + marker + "; echo '",
        "$(touch " + marker + ")",
        "0000:3b:00.0`touch " + marker + "`",
    };
    for (const std::string& pci : hostile) {
        orbtest::LogMark mark;
        std::string id = "unchanged";
        PCIeManufacturerResolver::getSubvendorID(pci, id);
        EXPECT_EQ(id, "unchanged");
        EXPECT_NE(mark.mainSince().find("occurred in identifying SubVendor id for"),
                  std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(marker));
    std::string id;
    PCIeManufacturerResolver::getSubvendorID("0000:86:00.0", id);
    EXPECT_EQ(id, "0x10df");
}

}  // namespace
