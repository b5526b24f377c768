#include "fc/fc_part_number_table.h"

// clang-format off
const std::map<FCPciIds, FCModelInfo> fcPciIdsModelNameMap = {
    {{0x10df, 0xe300, 0x10df, 0xe310},
     {"Emulex LPe32002-M2 2-Port 32Gb Fibre Channel Adapter",
      {"VXA-LPE32002", "VXB-LPE32002", "VXC-LPE32002"}}},
    {{0x10df, 0xe300, 0x10df, 0xe311},
     {"Emulex LPe32000-M2 1-Port 32Gb Fibre Channel Adapter",
      {"VXA-LPE32000", "VXB-LPE32000", "VXC-LPE32000"}}},
    {{0x10df, 0xf400, 0x10df, 0xf410},
     {"Emulex LPe35002-M2 2-Port 32Gb Fibre Channel Adapter",
      {"VXA-LPE35002", "VXB-LPE35002", "VXC-LPE35002"}}},
    {{0x1077, 0x2261, 0x1077, 0x029b},
     {"QLogic QLE2692 2-Port 16Gb Fibre Channel Adapter",
      {"VXA-QLE2692", "VXB-QLE2692", "VXC-QLE2692"}}},
    {{0x1077, 0x2281, 0x1077, 0x02e4},
     {"QLogic QLE2772 2-Port 32Gb Fibre Channel Adapter",
      {"VXA-QLE2772", "VXB-QLE2772", "VXC-QLE2772"}}},
};
// clang-format on
