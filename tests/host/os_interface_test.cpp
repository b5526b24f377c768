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

std::string simulatedListing() {
    return orbtest::readFile(orbtest::rootPath("/bin/localcli.d/hardware/pci/list"));
}

TEST(OSInterface, FactoryHandsOutTheOneInterface) {
    orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface();
    ASSERT_NE(os, nullptr);
    EXPECT_EQ(os, orbVmwareOSInterface::getInstance());
    EXPECT_EQ(orbSystemInterfaceFactory::getSystemInterface(), os);
    EXPECT_EQ(os->Initialize(), 0);
    EXPECT_TRUE(os->getPciIdInfo("0000:3b:00.0").empty());
    std::vector<std::string> output;
    EXPECT_EQ(os->executeCommandAndFetchOutput("echo hello", output), 0);
    EXPECT_TRUE(output.empty());
}

TEST(OSInterface, RefreshWritesTheListingAndReplacesAnOldList) {
    orbtest::writeFile(hardwareList(), "0000:99:00.0\n   SubVendor ID: 0x1234\n\n");
    orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface();
    ASSERT_EQ(os->populateHardwarePCIDetails(), 0);
    EXPECT_EQ(orbtest::readFile(hardwareList()), simulatedListing());
    EXPECT_FALSE(fs::exists(hardwareList() + ".tmp"));
}

TEST(OSInterface, FailedRefreshKeepsTheLastGoodList) {
    struct Case {
        const char* what;
        const char* localcli;  // replacement for bin/localcli; nullptr: no such tool
        const char* logLine;
    };
    const Case cases[] = {
        {"tool missing", nullptr, "failed with exit status 127"},
        {"tool fails after partial output",
         "#!/bin/sh\necho 0000:00:00.0\necho '   Address: 0000:00:00.0'\nexit 3\n",
         "failed with exit status 3"},
    };
    orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface();
    ASSERT_EQ(os->populateHardwarePCIDetails(), 0);
    const std::string good = orbtest::readFile(hardwareList());
    ASSERT_FALSE(good.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string tool = orbtest::rootPath("/bin/localcli");
        fs::remove(tool);
        if (c.localcli != nullptr) {
            orbtest::writeFile(tool, c.localcli);
            fs::permissions(tool, fs::perms::owner_all);
        }
        orbtest::LogMark mark;
        EXPECT_EQ(os->populateHardwarePCIDetails(), -1);
        EXPECT_EQ(orbtest::readFile(hardwareList()), good);
        EXPECT_FALSE(fs::exists(hardwareList() + ".tmp"));
        std::string log = mark.mainSince();
        EXPECT_NE(log.find(c.logLine), std::string::npos) << log;
        EXPECT_NE(log.find("the previous list is kept"), std::string::npos) << log;
    }
}

TEST(OSInterface, UnInitializeDeletesTheListWhenThereIsOne) {
    orbOSInterface* os = orbSystemInterfaceFactory::getSystemInterface();
    ASSERT_FALSE(fs::exists(hardwareList()));
    orbtest::LogMark mark;
    EXPECT_EQ(os->UnInitialize(), 0);
    EXPECT_EQ(mark.mainSince(), "");
    ASSERT_EQ(os->populateHardwarePCIDetails(), 0);
    ASSERT_TRUE(fs::exists(hardwareList()));
    EXPECT_EQ(os->UnInitialize(), 0);
    EXPECT_FALSE(fs::exists(hardwareList()));
}

}  // namespace
