// The hardware list: refreshed from "localcli hardware pci list", replaced only by a whole,
// successful listing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "host/system_interface_factory.h"
#include "host/vmware_os_interface.h"
#include "support/test_environment.h"

namespace {

namespace fs = std::filesystem;

std::string hardwareList() {
    return orbtest::rootPath(ORB_HARDWARE_LIST_PATH);
}

TEST(OSInterface, OnlyAWholeSuccessfulListingReplacesTheList) {
    orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface();
    ASSERT_EQ(os, orbVmwareOSInterface::getInstance());
    EXPECT_TRUE(os->getPciIdInfo("0000:3b:00.0").empty());
    EXPECT_EQ(os->UnInitialize(), 0);  // no list yet: nothing to do, no failure

    orbtest::writeFile(hardwareList(), "0000:99:00.0\n   SubVendor ID: 0x1234\n\n");
    ASSERT_EQ(os->populateHardwarePCIDetails(), 0);
    const std::string good = orbtest::readFile(hardwareList());
    EXPECT_EQ(good, orbtest::readFile(orbtest::rootPath("/bin/localcli.d/hardware/pci/list")));

    // No such tool, then a tool that prints part of a listing and fails.
    for (const char* localcli :
         {static_cast<const char*>(nullptr), "#!/bin/sh\necho 0000:00:00.0\nexit 3\n"}) {
        std::string tool = orbtest::rootPath("/bin/localcli");
        fs::remove(tool);
        if (localcli != nullptr) {
            orbtest::writeFile(tool, localcli);
            fs::permissions(tool, fs::perms::owner_all);
        }
        EXPECT_EQ(os->populateHardwarePCIDetails(), -1);
        EXPECT_EQ(orbtest::readFile(hardwareList()), good);
        EXPECT_FALSE(fs::exists(hardwareList() + ".tmp"));
    }
    EXPECT_EQ(os->UnInitialize(), 0);
    EXPECT_FALSE(fs::exists(hardwareList()));
}

}  // namespace
