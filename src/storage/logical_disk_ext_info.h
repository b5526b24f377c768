#pragma once

#include "storage/logical_disk_oem_info.h"

// The server-specific part of a MegaRAID volume on its own, for the MegaRAID controller's
// use; it describes itself as that part does.
class orbLogicalDiskExtInfo : public virtual orbInventoryBase, public orbLogicalDiskOEMInfo {
  public:
    Json::Value getVariableData() const override;
    Json::Value getInventoryData() const override;
};
