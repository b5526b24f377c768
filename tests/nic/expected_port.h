#pragma once

// What a port record must hold after its listing row has been described; shared by the tests
// of each simulated host.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nic/nic_physical_adapter.h"

struct ExpectedPort {
    std::vector<std::string> row;  // the ten listing columns
    const char* model;
    const char* partNumber;
    const char* firmware;
    const char* location;
    const char* manufacturer;
    const char* description;
    const char* state;
    const char* health;
    int speed;
};

inline void expectPortDescribed(const ExpectedPort& c) {
    SCOPED_TRACE(c.row[0]);
    std::vector<std::string> columns = c.row;
    PhyAdapterInventory port;
    ASSERT_EQ(NICPhysicalAdapter::discoverPhyAdapterInventory(port, columns), 0);
    EXPECT_EQ(port.getNICModel(), c.model);
    EXPECT_EQ(port.getPartNumber(), c.partNumber);
    EXPECT_EQ(port.getFirmVersion(), c.firmware);
    EXPECT_EQ(port.getPhyLocation(), c.location);
    EXPECT_EQ(port.getManufacturer(), c.manufacturer);
    EXPECT_EQ(port.getPCIDescription(), c.description);
    EXPECT_EQ(port.getState(), c.state);
    EXPECT_EQ(port.getHealth(), c.health);
    EXPECT_EQ(port.getSpeed(), c.speed);
    EXPECT_EQ(port.getIntfName(), c.row[0]);
    EXPECT_EQ(port.getDeviceName(), c.row[0]);
    EXPECT_EQ(port.getLinkStatus(), c.row[4]);
    EXPECT_EQ(port.getMACAddress(), c.row[7]);
    EXPECT_EQ(port.getSerialNumber(), "");
}
