#pragma once

#include <string>
#include <vector>

#include "nvme/nvme_disk_info.h"
#include "nvme/nvme_smart_info.h"
#include "storage/controller_info.h"

// The NVMe records between discovery, health polls and the JSON: the current controller and
// drive lists, and a backup of both taken at the end of every poll, which holds the health
// each device was last polled with. Used only from the NVMe manager's loop thread, so it takes
// no lock.
class orbNvmeInventoryManager {
  public:
    static orbNvmeInventoryManager* getInstance();

    void saveControllerInventory(const std::vector<orbStorageControllerInfo>& controllers);
    void savePhysicalDiskInventory(const std::vector<orbNVMeDiskInfo>& drives);
    void fetchInventory(std::vector<orbStorageControllerInfo>& controllers,
                        std::vector<orbNVMeDiskInfo>& drives) const;
    void backupInventory(const std::vector<orbStorageControllerInfo>& controllers,
                         const std::vector<orbNVMeDiskInfo>& drives);
    // The backup lists when both hold records, else the current lists.
    void fetchBackupInventory(std::vector<orbStorageControllerInfo>& controllers,
                              std::vector<orbNVMeDiskInfo>& drives) const;
    // Stores the SMART-derived state and health in the device's controller and drive records.
    void updateInventory(const orbNvmeSmartInfo& smart);
    // Forgets every record, for a service that starts again.
    void clear();

  private:
    orbNvmeInventoryManager() = default;

    static void updateNvmeInstanceControllerStatusAttributes(
        const orbNvmeSmartInfo& smart, std::vector<orbStorageControllerInfo>& controllers);
    static void updateNvmeInstanceDriveStatusAttributes(const orbNvmeSmartInfo& smart,
                                                        std::vector<orbNVMeDiskInfo>& drives);

    std::vector<orbStorageControllerInfo> controllerList;
    std::vector<orbNVMeDiskInfo> diskList;
    std::vector<orbStorageControllerInfo> backupControllerList;
    std::vector<orbNVMeDiskInfo> backupDiskList;
};
