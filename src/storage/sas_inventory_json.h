#pragma once

#include <json/json.h>

#include "storage/controller_info.h"
#include "storage/disk_info.h"
#include "storage/enclosure_info.h"
#include "storage/logical_disk_info.h"

// The storage entries of the inventory document the RMC receives, one object per record.

// "Model", "SerialNumber", "PartNumber", "FirmwareVersion", "Protocol", "Manufacturer",
// "Status" {"State", "Health"}, "Oem" {"Description", "PhysicalLocation"}.
Json::Value orbControllerInventoryJson(const orbStorageControllerInfo& controller);
// "SerialNumber", "PartNumber", "Model", "CapacityBytes" (a number), "Protocol", "MediaType",
// "Revision", "Manufacturer", "Status", "Oem" {"Slot", "PhysicalLocation"}.
Json::Value orbDriveInventoryJson(const orbDiskInfo& drive);
// "DurableName", "VolumeType", "CapacityBytes", "Drives" (the members, possibly none),
// "Status", "Oem" {"DeviceName", "HostControllerPhysicalLocation"}.
Json::Value orbVolumeInventoryJson(const orbLogicalDiskInfo& volume);
// The enclosure's own inventory fragment.
Json::Value orbEnclosureInventoryJson(const orbStorageEnclosureInfo& enclosure);
