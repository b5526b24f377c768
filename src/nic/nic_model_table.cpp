#include "nic/nic_model_table.h"

// clang-format off
const std::map<NICPciIds, NICModelInfo> nicPciIdsModelNameMap = {
    // On the system board of the VX-R4800.
    {{0x14e4, 0x16d7, 0x14e4, 0x4140},
     {"Broadcom BCM57414 NetXtreme-E Dual-port 10Gb/25Gb SFP28 LOM",
      {"VXA-0414-LOM2", "VXB-0414-LOM2", "VXC-0414-LOM2"}}},
    // On the system board of the VX-R2200.
    {{0x14e4, 0x16d8, 0x14e4, 0x4163},
     {"Broadcom BCM57416 NetXtreme-E Dual-port 10GBASE-T OCP 2.0 Adapter",
      {"VXA-0416-OCP2", "VXB-0416-OCP2", "VXC-0416-OCP2"}}},
    {{0x14e4, 0x16d7, 0x14e4, 0x4146},
     {"Broadcom BCM57414 NetXtreme-E Dual-port 25Gb SFP28 OCP 3.0 Adapter",
      {"VXA-0414-OCP3", "VXB-0414-OCP3", "VXC-0414-OCP3"}}},
    {{0x14e4, 0x1750, 0x14e4, 0x2100},
     {"Broadcom BCM57508 NetXtreme-E Dual-port 100Gb QSFP56 Adapter",
      {"VXA-0508-P2C", "VXB-0508-P2C", "VXC-0508-P2C"}}},
    {{0x8086, 0x159b, 0x8086, 0x0003},
     {"Intel Ethernet Network Adapter E810-XXV for SFP",
      {"VXA-E810-XXV", "VXB-E810-XXV", "VXC-E810-XXV"}}},
    {{0x8086, 0x1572, 0x8086, 0x0007},
     {"Intel Ethernet Converged Network Adapter X710-DA2",
      {"VXA-X710-DA2", "VXB-X710-DA2", "VXC-X710-DA2"}}},
    {{0x8086, 0x1563, 0x8086, 0x0001},
     {"Intel Ethernet Converged Network Adapter X550-T2",
      {"VXA-X550-T2", "VXB-X550-T2", "VXC-X550-T2"}}},
    {{0x8086, 0x1521, 0x8086, 0x0001},
     {"Intel Ethernet Server Adapter I350-T4",
      {"VXA-I350-T4", "VXB-I350-T4", "VXC-I350-T4"}}},
    {{0x15b3, 0x1017, 0x15b3, 0x0007},
     {"Mellanox ConnectX-5 EN 25GbE Single-port SFP28 Adapter",
      {"VXA-CX5-25G1", "VXB-CX5-25G1", "VXC-CX5-25G1"}}},
    {{0x15b3, 0x1015, 0x15b3, 0x0003},
     {"Mellanox ConnectX-4 Lx EN 25GbE Dual-port SFP28 Adapter",
      {"VXA-CX4LX-25G2", "VXB-CX4LX-25G2", "VXC-CX4LX-25G2"}}},
};
// clang-format on
