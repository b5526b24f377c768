// Port records on the bravo host: ZTRH locations and the BRAVO part-number column.
#include <gtest/gtest.h>

#include "host/system_interface_factory.h"
#include "nic/expected_port.h"
#include "support/test_environment.h"

ORB_TEST_HOST("bravo");

namespace {

TEST(NICAdapterBravo, PortsOfTheHostAreDescribed) {
    ASSERT_EQ(orbSystemInterfaceFactory::getSystemInterface()->populateHardwarePCIDetails(), 0);
    EXPECT_EQ(describedPort({"vmnic1", "0000:3d:00.1", "bnxtnet", "Down", "Down", "0", "Half",
                             "00:0a:f7:b2:16:d1", "1500", "Broadcom BCM57416"}),
              "Broadcom BCM57416 NetXtreme-E Dual-port 10GBASE-T OCP 2.0 Adapter|VXB-0416-OCP2|"
              "224.0.158.0/pkg 224.1.102.0|3001010000030101|Vex|PCI 0000:3d:00.1 r001i01s00|"
              "Offline|OK|0|00:0a:f7:b2:16:d1");
    EXPECT_EQ(describedPort({"vmnic2", "0000:5f:00.0", "nmlx5_core", "Up", "Up", "25000", "Full",
                             "b8:59:9f:3e:a0:12", "9000", "Mellanox MT27800"}),
              "Mellanox ConnectX-5 EN 25GbE Single-port SFP28 Adapter|VXB-CX5-25G1|16.35.2000|"
              "030101020003FF00|Mellanox Technologies|PCI 0000:5f:00.0 r001i01s02|Online|OK|25000|"
              "b8:59:9f:3e:a0:12");
}

}  // namespace
