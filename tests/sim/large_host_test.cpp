// The large-host generator: every controller's ports, drives, PCI list entry and slot agree,
// past 255 SCSI generic devices and past sdz.
#include "sim/common/large_host.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "sim/drives/drive_description.h"
#include "support/test_environment.h"

namespace fs = std::filesystem;

namespace {

std::string linkOf(const std::string& path) {
    std::error_code error;
    return fs::read_symlink(path, error).string();
}

TEST(LargeHost, ControllersPortsAndDrivesAgree) {
    orbsim::LargeHostShape shape;
    shape.defaultHost = orbtest::sourcePath("sim/hosts/default");
    shape.layout = orbtest::sourcePath("sim/scsi-tree/default.layout");
    shape.controllers = 9;
    shape.drivesPerController = 29;  // 261 drives after sg0 and sg1 of the chipset ports
    const std::string root = orbtest::root() + "/large";
    std::string error;
    ASSERT_TRUE(orbsim::writeLargeHost(shape, root, error)) << error;
    EXPECT_FALSE(orbsim::writeLargeHost(shape, root, error));  // never over an earlier host

    const std::string list = orbtest::readFile(root + "/bin/localcli.d/hardware/pci/list");
    struct Case {
        const char* host;
        const char* pci;  // in the host's device link
        const char* drive;
        const char* generic;
        const char* block;
        const char* dev;
    };
    const Case cases[] = {
        {"host8", "0000:3b:00.0", "8:0:0:0", "sg2", "sdc", "8:32"},
        {"host12", "0000:21:00.0", "12:0:0:0", "sg31", "sdaf", "65:240"},
        // The last drive of the ninth controller, behind its second port.
        {"host27", "0000:2f:00.0", "27:0:13:0", "sg262", "sdjc", "259:6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.drive);
        EXPECT_NE(linkOf(root + "/sys/class/scsi_host/" + c.host + "/device").find(c.pci),
                  std::string::npos);
        EXPECT_NE(list.find(std::string("\n") + c.pci + "\n"), std::string::npos);
        const std::string device = root + "/sys/class/scsi_device/" + c.drive + "/device/";
        EXPECT_TRUE(fs::exists(device + "scsi_generic/" + c.generic));
        EXPECT_EQ(orbtest::readFile(device + "block/" + c.block + "/dev"),
                  std::string(c.dev) + "\n");
        orbsim::DriveDescription drive;
        EXPECT_TRUE(orbsim::readDriveDescription(root + "/dev/" + c.generic, drive, error))
            << error;
    }
    EXPECT_FALSE(fs::exists(root + "/dev/sg263"));
    EXPECT_EQ(orbtest::readFile(root + "/sys/class/scsi_device/11:0:13:0/device/bay_identifier"),
              "28\n");
    EXPECT_EQ(list.find("\n0000:3b:00.0\n"), list.rfind("\n0000:3b:00.0\n"));  // replaced, once
    EXPECT_NE(list.find("VMkernel Name: vmhba12\n"), std::string::npos);
}

}  // namespace
