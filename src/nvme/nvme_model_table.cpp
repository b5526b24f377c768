#include "nvme/nvme_model_table.h"

#include "core/log.h"
#include "core/platform_part_numbers.h"
#include "core/utils.h"

namespace {

const char* const kTag = "IOMATRIX_INTF";

struct NvmeModelRow {
    const char* modelNumber;  // as "Model Number" of the device's identify data
    const char* modelName;
    orbPlatformPartNumbers partNumbers;
    int64_t capacityBytes;
};

// clang-format off
const NvmeModelRow kRows[] = {
    // U.2 data drives.
    {"SAMSUNG MZWLJ3T8HBLS-00007", "Samsung PM1733 3.84TB NVMe PCIe Gen4 U.2 SSD",
     {"VXA-NV4-3T8-PM1733", "VXB-NV4-3T8-PM1733", "VXC-NV4-3T8-PM1733"}, 3840755982336},
    {"SAMSUNG MZWLJ7T6HALA-00007", "Samsung PM1733 7.68TB NVMe PCIe Gen4 U.2 SSD",
     {"VXA-NV4-7T6-PM1733", "VXB-NV4-7T6-PM1733", "VXC-NV4-7T6-PM1733"}, 7681501126656},
    {"INTEL SSDPE2KX020T8", "Intel SSD DC P4510 2.0TB NVMe PCIe Gen3 U.2 SSD",
     {"VXA-NV3-2T0-P4510", "VXB-NV3-2T0-P4510", "VXC-NV3-2T0-P4510"}, 2000398934016},
    {"INTEL SSDPE2KX040T8", "Intel SSD DC P4510 4.0TB NVMe PCIe Gen3 U.2 SSD",
     {"VXA-NV3-4T0-P4510", "VXB-NV3-4T0-P4510", "VXC-NV3-4T0-P4510"}, 4000787030016},
    {"INTEL SSDPE21K375GA", "Intel Optane SSD DC P4800X 375GB NVMe PCIe Gen3 HHHL",
     {"VXA-OPT-375-P4800X", "VXB-OPT-375-P4800X", "VXC-OPT-375-P4800X"}, 375083606016},
    {"Micron_7450_MTFDKCC1T9TFR", "Micron 7450 PRO 1.92TB NVMe PCIe Gen4 U.3 SSD",
     {"VXA-NV4-1T9-M7450", "VXB-NV4-1T9-M7450", "VXC-NV4-1T9-M7450"}, 1920383410176},
    // The M.2 boot device of the maker's boot controller card.
    {"SAMSUNG MZ1L2480HCHQ-00A07", "Vex M.2 NVMe Boot Device 480GB (PM9A3)",
     {"VXA-BOOT-M2-480", "VXB-BOOT-M2-480", "VXC-BOOT-M2-480"}, 480103981056},
};
// clang-format on

const NvmeModelRow* rowOf(const std::string& model) {
    for (const NvmeModelRow& row : kRows) {
        if (model == row.modelNumber) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace

orbIOMatrixInterface* orbIOMatrixInterface::getInstance() {
    static orbIOMatrixInterface instance;
    return &instance;
}

bool orbIOMatrixInterface::getNvmeModelName(const std::string& model, std::string& out) const {
    const NvmeModelRow* row = rowOf(model);
    if (row == nullptr) {
        ORB_LOG_WARNING(kTag, "Unable to fetch Model Name for Model : %s", model.c_str());
        return false;
    }
    out = row->modelName;
    return true;
}

bool orbIOMatrixInterface::getNvmePartNumber(const std::string& model, std::string& out) const {
    const NvmeModelRow* row = rowOf(model);
    const char* part =
        row != nullptr ? row->partNumbers.forFamily(orbUtils::getPlatformFamily()) : nullptr;
    if (part == nullptr) {
        ORB_LOG_WARNING(kTag, "Unable to fetch Part Number for Model : %s", model.c_str());
        return false;
    }
    out = part;
    return true;
}

bool orbIOMatrixInterface::getNvmeCapacityBytes(const std::string& model, int64_t& out) const {
    const NvmeModelRow* row = rowOf(model);
    if (row == nullptr) {
        ORB_LOG_WARNING(kTag, "Unable to fetch capacity bytes for Model : %s", model.c_str());
        return false;
    }
    out = row->capacityBytes;
    return true;
}

void orbIOMatrixInterface::supplementAdditionalNvmeProperties(INvmeDevice& device) const {
    const std::string model = device.getModelNumber();
    std::string name = model;
    std::string part = "NotAvailable";
    int64_t capacity = 0;
    getNvmeModelName(model, name);
    getNvmePartNumber(model, part);
    getNvmeCapacityBytes(model, capacity);
    device.setExtendedProperties(name, part, capacity, getNvmeProtocolName(), getNvmeMediaType());
}
