#include "core/utils.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/host_identity.h"
#include "sim/common/smbios_builder.h"
#include "support/test_environment.h"

namespace {

const char kDevice[] = "/vmfs/devices/char/mem/smbios";

TEST(Utils, PlatformAndGeoIDsOfTheAlphaHost) {
    EXPECT_EQ(orbUtils::getPlatformFamily(), "PLATFAM-ALPHA");
    EXPECT_EQ(orbUtils::getSystemManufacturer(), "Vex Systems Inc.");
    orbUtils::initGeoIDMap();
    struct Case {
        const char* address;
        const char* geoID;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"0000:00:17.0", "r001u01p0i00", {"001", "01", "0", "00"}},  // onboard device
        {"0000:18:00.1", "r001u01p0i00", {"001", "01", "0", "00"}},  // its second function
        {"0000:d8:00.0", "r001u01p3i05", {"001", "01", "3", "05"}},  // slot
        // The empty slot, the slot record without bus address fields, an unlisted function.
        {"ffff:ff:1f.7", "NotAvailable", {}},
        {"0000:00:00.0", "NotAvailable", {}},
        {"0000:3b:00.1", "NotAvailable", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(orbUtils::getGeoIDStr(c.address), c.geoID);
        EXPECT_EQ(orbUtils::getGeoIDInfo(c.address), c.parts);
    }
}

TEST(Utils, AnAlphaGeoIDIsNotDecodedOnBravo) {
    orbsim::SmbiosBuilder builder;
    orbsim::SmbiosSystemInformation system;
    system.manufacturer = system.productName = system.version = system.serialNumber = "x";
    system.skuNumber = "x";  // an empty text would end the string set before the family
    system.family = "PLATFAM-BRAVO";
    builder.addSystemInformation(system);
    orbsim::SmbiosSystemSlot slot;
    slot.designation = "SLOT r001u02p3i04";
    slot.busNum = 0x01;
    builder.addSystemSlot(slot);
    builder.addEndOfTable();
    std::vector<uint8_t> image = builder.image();
    ASSERT_TRUE(
        orbtest::writeFile(orbtest::rootPath(kDevice), std::string(image.begin(), image.end())));

    EXPECT_EQ(orbUtils::getGeoIDStr("0000:01:00.0"), "r001u02p3i04");
    EXPECT_TRUE(orbUtils::getGeoIDInfo("0000:01:00.0").empty());
}

TEST(Utils, WithoutSmbiosNothingIsDecodedUntilTheTableAppears) {
    std::string device = orbtest::rootPath(kDevice);
    std::string saved = orbtest::readFile(device);
    ASSERT_EQ(unlink(device.c_str()), 0);
    EXPECT_EQ(orbUtils::getPlatformFamily(), "");
    EXPECT_EQ(orbUtils::getGeoIDStr("0000:3b:00.0"), "NotAvailable");
    EXPECT_TRUE(orbUtils::getGeoIDInfo("0000:3b:00.0").empty());

    // The table shows up later: an early caller must not have fixed the platform texts as empty.
    ASSERT_TRUE(orbtest::writeFile(device, saved));
    EXPECT_EQ(orbUtils::getPlatformFamily(), "PLATFAM-ALPHA");
    EXPECT_EQ(orbUtils::getGeoIDStr("0000:3b:00.0"), "r001u01p1i01");
}

// A kernel that cannot tell the host's identity.
TEST(Utils, HostIdentityOfAKernelThatCannotTell) {
    const std::string identity = orbtest::rootPath("/identity");
    std::string saved = orbtest::readFile(identity);
    ASSERT_EQ(unlink(identity.c_str()), 0);
    EXPECT_EQ(orbUtils::readHostName(), " ");
    EXPECT_EQ(orbUtils::readHostOSDescription(), "");
    ASSERT_TRUE(orbtest::writeFile(identity, saved));
}

namespace listed {
const std::vector<orbInterfaceAddress>* interfaces = nullptr;
bool addresses(std::vector<orbInterfaceAddress>& out) {
    out = *interfaces;
    return true;
}
}  // namespace listed

TEST(Utils, IPv4AddressesSkipLoopbackAndKeepTheirAuxiliaryAddress) {
    struct Step {
        std::vector<orbInterfaceAddress> interfaces;
        bool update;  // updateAndFetchIPAddresses instead of getIPAddresses
        std::vector<std::string> listed;
        std::string primary;  // before any update the auxiliary address stands in
    };
    const std::vector<Step> steps = {
        {{{"lo", "127.0.0.1"}}, false, {}, ""},
        {{{"lo", "127.0.0.1"}}, true, {}, "127.0.0.1"},
        {{{"vmk0", "192.0.2.10"}, {"vmk1", "198.51.100.7"}},
         true,
         {"192.0.2.10", "198.51.100.7"},
         "192.0.2.10"},
        {{{"vmk1", "198.51.100.7"}}, true, {"198.51.100.7"}, "198.51.100.7"},
    };
    orbIPv4AddressHandler simulated = orbSetIPv4AddressHandler(listed::addresses);
    for (const Step& step : steps) {
        SCOPED_TRACE(step.primary);
        listed::interfaces = &step.interfaces;
        EXPECT_EQ(step.update ? orbUtils::updateAndFetchIPAddresses() : orbUtils::getIPAddresses(),
                  step.listed);
        EXPECT_EQ(orbUtils::getPrimaryIPAddress(), step.primary);
    }
    orbSetIPv4AddressHandler(simulated);
    EXPECT_EQ(orbUtils::getIPAddresses(),
              (std::vector<std::string>{"192.0.2.41", "198.51.100.41"}));
}

TEST(Utils, LocalcliValuesAreFoundByPattern) {
    std::string csv = orbUtils::parseEsxiCommandOutputAsCsv(
        {"   Product: VMware ESXi\n", "\n", "   Version: 8.0.2  \n", "   Build: Releasebuild-1\n"});
    EXPECT_EQ(csv, ",Product: VMware ESXi\n,Version: 8.0.2\n,Build: Releasebuild-1");
    EXPECT_EQ(orbUtils::getValueByRegexFromLocalcli(csv, ",Build: [A-Za-z]+"), "Releasebuild");
    EXPECT_EQ(orbUtils::getValueByRegexFromLocalcli(csv, ",Patch: \\S+"), "");
    EXPECT_EQ(orbUtils::getValueByRegexFromLocalcli(csv, "Product"), "");  // no ": " matched
    EXPECT_EQ(orbUtils::getValueByRegexFromLocalcli(csv, "(unclosed"), "");
    EXPECT_NE(orbtest::mainLog().find("Error Compiling Regex, Return Value: "), std::string::npos);
}

TEST(Utils, PciIdsComeFromTheHardwareList) {
    const char list[] =
        "0000:3b:00.0\n   Vendor ID: 0x1000\n   Device ID: 0x0097\n   SubVendor ID: 0x1000\n"
        "   SubDevice ID: 0x30e0\n\n0000:d8:00.0\n   Vendor ID: 0x144d\n   Device ID: 0xa824\n\n";
    ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath("/opt/vex/orb/data/orb_hwlist.txt"), list));
    using Ids = std::pair<std::string, std::string>;
    EXPECT_EQ(orbUtils::get_vendor_device("0000:d8:00.0"), Ids("0x144d", "0xa824"));
    EXPECT_EQ(orbUtils::get_subvendor_subdevice("0000:d8:00.0"), Ids("", ""));

    // Only the strict address form reaches the shell.
    std::string marker = orbtest::rootPath("/injected");
    for (std::string address :
         {"0000:3b:00.0/' /dev/null; touch " + marker + "; echo '", "$(touch " + marker + ")",
          std::string("0:3b:00.0"), std::string("0000:3B:00.0")}) {
        EXPECT_EQ(orbUtils::get_subvendor_subdevice(address), Ids("", "")) << address;
        EXPECT_FALSE(std::filesystem::exists(marker)) << address;
    }

    // The list's path is quoted: a root folder with blanks and quotes still works.
    std::string oddRoot = orbtest::rootPath("/odd root's $HOME");
    ASSERT_TRUE(orbtest::writeFile(oddRoot + "/opt/vex/orb/data/orb_hwlist.txt", list));
    std::string savedRoot = getenv("ORB_ROOT");
    setenv("ORB_ROOT", oddRoot.c_str(), 1);
    EXPECT_EQ(orbUtils::get_subvendor_subdevice("0000:3b:00.0"), Ids("0x1000", "0x30e0"));
    setenv("ORB_ROOT", savedRoot.c_str(), 1);
}

}  // namespace
