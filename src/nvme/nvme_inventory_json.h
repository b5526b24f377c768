#pragma once

#include <json/json.h>

#include "nvme/nvme_disk_info.h"

// The inventory entry of an NVMe drive: "SerialNumber", "PartNumber", "Model",
// "CapacityBytes", "Protocol", "MediaType", "Revision", "Manufacturer", "Status" {"State",
// "Health"} and "Oem" {"CapacityBytesDetected", "Slot" (a number), "PhysicalLocation"}.
// NVMe controllers share the SAS/SATA controllers' entry (orbControllerInventoryJson).
Json::Value orbNvmeDriveInventoryJson(const orbNVMeDiskInfo& drive);
