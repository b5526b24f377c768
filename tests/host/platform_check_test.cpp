// The platform texts (payload path, start-up directory, card manufacturer) and how the
// platform family read from SMBIOS picks the physical-location interface.
#include "host/platform_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/physloc_factory.h"
#include "host/physloc_ztrh.h"
#include "sim/common/smbios_builder.h"
#include "support/test_environment.h"

namespace {

const char* const SMBIOS_FILE = "/vmfs/devices/char/mem/smbios";

// Gives the host a firmware table with only a System Information record.
void installSystemInformation(const std::string& manufacturer, const std::string& family) {
    orbsim::SmbiosSystemInformation info;
    info.productName = info.version = info.serialNumber = info.skuNumber = "x";
    info.manufacturer = manufacturer;
    info.family = family;
    orbsim::SmbiosBuilder builder;
    builder.addSystemInformation(info);
    builder.addEndOfTable();
    const std::vector<uint8_t>& image = builder.image();
    ASSERT_TRUE(orbtest::writeFile(orbtest::rootPath(SMBIOS_FILE), {image.begin(), image.end()}));
}

TEST(PlatformCheck, TextsAreFilledOnceForEveryThread) {
    std::vector<std::string> seen(8);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&seen, i]() {
            seen[i] = platformCheck::getCardManufacturer() + "|" +
                      platformCheck::getDirectoryPath() + "|" + platformCheck::getStartupFilePath();
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()),
              std::set<std::string>{"Vex|/opt/vex/orb|/var/tmp/vex"});
}

TEST(PlatformCheck, WithoutSmbiosThePathsAreStillSet) {
    std::filesystem::remove(orbtest::rootPath(SMBIOS_FILE));
    EXPECT_EQ(platformCheck::getCardManufacturer(), "");
    EXPECT_EQ(platformCheck::getDirectoryPath(), "/opt/vex/orb");
    EXPECT_EQ(platformCheck::getStartupFilePath(), "/var/tmp/vex");
}

TEST(PlatformCheck, ManufacturerIsTheFirstWordOfTheSmbiosText) {
    installSystemInformation("  Acme   Computing Ltd", "PLATFAM-CHARLIE");
    EXPECT_EQ(platformCheck::getCardManufacturer(), "Acme");
    // CHARLIE servers share the ZTRH library with BRAVO servers.
    EXPECT_EQ(orbPhysLocFactory::getPhysLocInterface(), __orbZTRHPhysLocInterface__getInstance());
}

TEST(PlatformCheck, UnknownFamilyLocatesNothing) {
    installSystemInformation("Vex Systems Inc.", "PLATFAM-DELTA");
    orbPhysLocInterface* pl = orbPhysLocFactory::getPhysLocInterface();
    EXPECT_EQ(pl->getPhysLocLibraryName(), "Mock-PL library");
    EXPECT_EQ(pl->getPhysLocForIOSlot("0000:3b:00.0"), "FFFFFFFFFFFFFFFF");
}

}  // namespace
