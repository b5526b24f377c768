// Port records of the default host's NICs, from the rows of "localcli network nic list".
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "host/system_interface_factory.h"
#include "nic/expected_port.h"
#include "nic/nic_physical_adapter.h"
#include "support/test_environment.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> row(const char* name, const char* pci, const char* link,
                             const char* speed) {
    return {name,  pci,    "bnxtnet",           "Up",   link,
            speed, "Full", "00:0a:f7:9c:41:20", "1500", "Broadcom BCM57414"};
}

class NICAdapter : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    }
};

TEST_F(NICAdapter, PortsOfTheHostAreDescribed) {
    const char* const lom =
        "Broadcom BCM57414 NetXtreme-E Dual-port 10Gb/25Gb SFP28 LOM|"
        "VXA-0414-LOM2|225.0.145.0/pkg 225.1.111.0|";
    EXPECT_EQ(describedPort(row("vmnic0", "0000:18:00.0", "Up", "25000")),
              std::string(lom) + "3B01010000040001|Vex|PCI 0000:18:00.0 r001u01p0i00|Online|OK|" +
                  "25000|00:0a:f7:9c:41:20");
    EXPECT_EQ(describedPort(row("vmnic1", "0000:18:00.1", "Down", "0")),
              std::string(lom) + "3B01010000040101|Vex|PCI 0000:18:00.1 r001u01p0i00|Linkdown|OK|" +
                  "0|00:0a:f7:9c:41:20");
    EXPECT_EQ(describedPort(row("vmnic2", "0000:af:00.0", "Up", "25000")),
              "Intel Ethernet Network Adapter E810-XXV for SFP|VXA-E810-XXV|4.20 0x80017785 "
              "1.3346.0|030101020404FF00|Intel Corporation|PCI 0000:af:00.0 r001u01p2i04|Online|"
              "OK|25000|00:0a:f7:9c:41:20");
}

TEST_F(NICAdapter, UnusualRowsAreHandled) {
    orbtest::LogMark mark;
    // The chipset's SMBus function has no GeoID: no location, a description ending in a blank;
    // a speed that does not read is 0, reported once.
    EXPECT_EQ(describedPort(row("vmnic7", "0000:00:1f.4", "Up", "fast")),
              "|||FFFFFFFFFFFFFFFF||PCI 0000:00:1f.4 |Online|OK|0|00:0a:f7:9c:41:20");
    EXPECT_EQ(orbtest::occurrences(mark.mainSince(), "Error occurred in identifying the speed"),
              1u);

    // A USB network port has no PCI address; it is still reported, without IDs or location.
    EXPECT_EQ(describedPort(row("vusb0", "Pseudo", "Up", "-100")),
              "|||FFFFFFFFFFFFFFFF||PCI Pseudo |Online|OK|0|00:0a:f7:9c:41:20");
    PhyAdapterInventory port;
    std::vector<std::string> shortRow = row("vmnic0", "0000:18:00.0", "Up", "25000");
    shortRow.pop_back();
    EXPECT_EQ(NICPhysicalAdapter::discoverPhyAdapterInventory(port, shortRow), -1);
}

TEST_F(NICAdapter, PciIdsAreReadOncePerAddress) {
    const std::string before = describedPort(row("vmnic2", "0000:af:00.0", "Up", "25000"));
    // Without the hardware list the cached IDs still name the model.
    fs::remove(orbtest::rootPath("/opt/vex/orb/data/orb_hwlist.txt"));
    EXPECT_EQ(describedPort(row("vmnic2", "0000:af:00.0", "Up", "25000")), before);
}

TEST_F(NICAdapter, FirmwareVersionOnlyForPlainPortNames) {
    const std::string marker = orbtest::rootPath("/injected");
    struct Case {
        std::string name;
        const char* logLine;
    };
    const Case cases[] = {
        {"vmnic0; touch " + marker, "Invalid network port name [vmnic0; touch "},
        {"$(touch " + marker + ")", "Invalid network port name"},
        {"vmnic9", "Unable to read the details of network port vmnic9 (exit status 1)."},
    };
    for (const Case& c : cases) {
        orbtest::LogMark mark;
        std::string firmware = "unchanged";
        NICPhysicalAdapter::getFWVersion(c.name, firmware);
        EXPECT_EQ(firmware, "unchanged") << c.name;
        EXPECT_NE(mark.mainSince().find(c.logLine), std::string::npos) << mark.mainSince();
    }
    EXPECT_FALSE(fs::exists(marker));

    // Details without a firmware line.
    std::string get = orbtest::rootPath("/bin/localcli.d/network/nic/get");
    orbtest::writeFile(get, "#!/bin/sh\necho '   Name: vmnic0'\n");
    fs::permissions(get, fs::perms::owner_all);
    std::string firmware = "unchanged";
    NICPhysicalAdapter::getFWVersion("vmnic0", firmware);
    EXPECT_EQ(firmware, "unchanged");
}

TEST(NICAdapterRules, StatusGivesStateAndHealth) {
    struct Case {
        const char* admin;
        const char* link;
        int code;
        const char* stateAndHealth;
    };
    const Case cases[] = {
        {"Up", "Up", 1, "Online/OK"},
        {"UP", "Down", 4, "Linkdown/OK"},
        {"up", "Unknown", 3, "Offline/Critical"},
        {"down", "down", 5, "Offline/OK"},
        {"Down", "Up", 6, "Other/Unknown"},
    };
    for (const Case& c : cases) {
        int code = NICPhysicalAdapter::get_adapter_status(c.link, c.admin);
        EXPECT_EQ(code, c.code) << c.admin << "/" << c.link;
        ORB_RESOURCE_STATE state;
        ORB_RESOURCE_HEALTH health;
        NICPhysicalAdapter::setNICStateHealthValues(code, state, health);
        EXPECT_EQ(std::string(orbResourceStateText(state)) + "/" + orbResourceHealthText(health),
                  c.stateAndHealth);
    }
    EXPECT_EQ(NICPhysicalAdapter::get_adapter_status(nullptr, nullptr), 6);
}

TEST(NICAdapterRules, ChangeGivesConditionAndEvent) {
    struct Change {
        const char* state;
        const char* health;
        const char* previousState;
        const char* previousHealth;
        int condition;
        int eventCode;
        bool flag;
    };
    const Change changes[] = {
        {"Linkdown", "OK", "Online", "OK", 4, 1384, true},
        {"Offline", "Critical", "Online", "OK", 3, 678, true},
        {"Online", "OK", "Linkdown", "OK", 2, 1390, false},
        {"Online", "OK", "Offline", "Critical", 1, 680, false},
        // Administratively down is offline but healthy: nothing to report.
        {"Offline", "OK", "Online", "OK", -1, 0, false},
    };
    for (const Change& c : changes) {
        int condition = 99;
        NICPhysicalAdapter::fetchNICAdapterCondition(c.state, c.health, c.previousState,
                                                     c.previousHealth, "vmnic0", condition);
        EXPECT_EQ(condition, c.condition) << c.previousState << " -> " << c.state;
        int eventCode = 99;
        bool flag = !c.flag;
        NICPhysicalAdapter::setEventAttributes(condition, eventCode, flag);
        EXPECT_EQ(eventCode, c.eventCode);
        EXPECT_EQ(flag, c.flag);
    }
}

}  // namespace
