// The Intel RAID platform of the chipset SATA controller: the firmware version from mdadm,
// the platform's port table, and the bays of the drives on the controller's ports.
#include "storage/imsm_platform.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_environment.h"

using testing::HasSubstr;

namespace {

// Two option ROMs, as the tool prints them: each block's version before its controller.
const char* const kTwoBlocks =
    "       Platform : Intel(R) Virtual RAID on CPU\n"
    "        Version : 7.8.0.1012\n"
    "      Max Disks : 8\n"
    " I/O Controller : /sys/devices/pci0000:00/0000:00:17.0 (SATA)\n"
    "          Port0 : /dev/sda (X Version : 9.9)\n"
    "          Port1 : /dev/sdb (Y I/O Controller : 0000:00:11.5)\n"
    "\n"
    "       Platform : Intel(R) Virtual RAID on CPU\n"
    "        Version : 8.0.3.1002\n"
    " I/O Controller : /sys/devices/pci0000:64/0000:64:00.5 (VMD)\n"
    " NVMe under VMD : /dev/nvme0n1 (PHLJ9172003K1P0FGN)\n"
    "\n";

TEST(IMSMPlatform, ControllersTakeTheVersionOfTheirOwnBlock) {
    struct Case {
        const char* name;
        std::string output;
        std::vector<std::pair<std::string, std::string>> pairs;
    };
    const Case cases[] = {
        {"two blocks, serials that look like labels ignored",
         kTwoBlocks,
         {{"/sys/devices/pci0000:00/0000:00:17.0 (SATA)", "7.8.0.1012"},
          {"/sys/devices/pci0000:64/0000:64:00.5 (VMD)", "8.0.3.1002"}}},
        // Version 0.0.0.0 is left out: the next block's version is not borrowed.
        {"block without version",
         "       Platform : Intel(R) Rapid Storage Technology enterprise\n"
         " I/O Controller : /sys/devices/pci0000:00/0000:00:11.5 (SATA)\n"
         "       Platform : Intel(R) Rapid Storage Technology enterprise\n"
         "        Version : 5.6.0.1009\n"
         " I/O Controller : /sys/devices/pci0000:00/0000:00:17.0 (SATA)",
         {{"/sys/devices/pci0000:00/0000:00:11.5 (SATA)", ""},
          {"/sys/devices/pci0000:00/0000:00:17.0 (SATA)", "5.6.0.1009"}}},
        {"no controller", "mdadm: no active Intel(R) RAID controller found.\n", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const orbIMSMControllerVersion& entry : parseIMSMPlatform(c.output)) {
            pairs.emplace_back(entry.controller, entry.version);
        }
        EXPECT_EQ(pairs, c.pairs);
    }
    const std::vector<orbIMSMControllerVersion> platform = parseIMSMPlatform(kTwoBlocks);
    EXPECT_EQ(getIMSMVersionOfController(platform, "0000:64:00.5"), "8.0.3.1002");
    EXPECT_EQ(getIMSMVersionOfController(platform, "0000:00:11.5"), "");
    EXPECT_EQ(getIMSMVersionOfController(platform, ""), "");
}

TEST(IMSMPlatform, BaysFromATADeviceNumbers) {
    struct Case {
        const char* name;
        int ata;
        std::vector<int> ports;
        int platformPorts;
        int bay;
    };
    const Case cases[] = {
        {"lowest port is bay 0", 1, {1, 2, 3, 4, 5, 6, 7, 8}, 8, 0},
        {"last wired port", 8, {1, 2, 3, 4, 5, 6, 7, 8}, 8, 7},
        {"past the platform's ports", 5, {1, 2, 3, 4, 5}, 4, -1},
        {"unreadable port is never the base", 3, {-1, 2, 3}, 4, 1},
        {"no port readable", 3, {-1, -1}, 4, -1},
        {"unknown platform, a discovered port", 7, {5, 6, 7}, 0, 2},
        {"unknown platform, no such port", 8, {5, 6, 7}, 0, -1},
        {"below the base", 4, {5, 6}, 4, -1},
        {"drive without a number", -1, {1, 2}, 4, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(getDiskSlotNumberFromATADeviceNumber("sda", "0:0:0:0", "0000:00:17.0", c.ata,
                                                       c.ports, c.platformPorts),
                  c.bay);
    }
}

}  // namespace
