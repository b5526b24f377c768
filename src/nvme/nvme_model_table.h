#pragma once

#include <cstdint>
#include <string>

#include "nvme/nvme_device.h"

// The NVMe drives the server maker ships, and what the inventory calls them: by the model
// number the drive reports, the model name, the part number (each platform family orders the
// drive under a part number of its own) and the raw capacity. The rows are in
// nvme_model_table.cpp.
class orbIOMatrixInterface {
  public:
    static orbIOMatrixInterface* getInstance();

    std::string getNvmeProtocolName() const { return "NVMe"; }
    std::string getNvmeMediaType() const { return "SSD"; }
    // False when the model is not in the table (out left alone).
    bool getNvmeModelName(const std::string& model, std::string& out) const;
    bool getNvmePartNumber(const std::string& model, std::string& out) const;
    bool getNvmeCapacityBytes(const std::string& model, int64_t& out) const;

    // Sets the device's model name, part number, capacity, protocol and media type. A model
    // missing from the table keeps its model number as its name, "NotAvailable" as its part
    // number and 0 as its capacity.
    void supplementAdditionalNvmeProperties(INvmeDevice& device) const;

  private:
    orbIOMatrixInterface() = default;
};
