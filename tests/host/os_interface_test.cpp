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

    struct Case {
        const char* localcli;  // replacement for bin/localcli; nullptr: no such tool
        const char* logLine;
    };
    const Case cases[] = {
        {nullptr, "failed with exit status 127"},
        {"#!/bin/sh\necho 0000:00:00.0\nexit 3\n", "failed with exit status 3"},
    };
    for (const Case& c : cases) {
        std::string tool = orbtest::rootPath("/bin/localcli");
        fs::remove(tool);
        if (c.localcli != nullptr) {
            orbtest::writeFile(tool, c.localcli);
            fs::permissions(tool, fs::perms::owner_all);
        }
        orbtest::LogMark mark;
        EXPECT_EQ(os->populateHardwarePCIDetails(), -1) << c.logLine;
        EXPECT_EQ(orbtest::readFile(hardwareList()), good);
        EXPECT_FALSE(fs::exists(hardwareList() + ".tmp"));
        EXPECT_NE(mark.mainSince().find(c.logLine), std::string::npos) << mark.mainSince();
        EXPECT_NE(mark.mainSince().find("the previous list is kept"), std::string::npos);
    }
    EXPECT_EQ(os->UnInitialize(), 0);
    EXPECT_FALSE(fs::exists(hardwareList()));
}

}  // namespace
