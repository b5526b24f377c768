#pragma once

// The port record described from one listing row, shared by the tests of each simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nic/nic_physical_adapter.h"

// model|part number|firmware|location|manufacturer|description|state|health|speed|MAC, after
// checking that the row was taken and that name and link status are the row's own.
inline std::string describedPort(std::vector<std::string> row) {
    PhyAdapterInventory port;
    EXPECT_EQ(NICPhysicalAdapter::discoverPhyAdapterInventory(port, row), 0) << row[0];
    EXPECT_EQ(port.getIntfName(), row[0]);
    EXPECT_EQ(port.getLinkStatus(), row[4]);
    return port.getNICModel() + "|" + port.getPartNumber() + "|" + port.getFirmVersion() + "|" +
           port.getPhyLocation() + "|" + port.getManufacturer() + "|" + port.getPCIDescription() +
           "|" + port.getState() + "|" + port.getHealth() + "|" + std::to_string(port.getSpeed()) +
           "|" + port.getMACAddress();
}
