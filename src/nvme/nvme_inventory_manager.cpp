#include "nvme/nvme_inventory_manager.h"

#include "core/log.h"

namespace {

const char* const kTag = "NVME_INV_MGR";

}  // namespace

orbNvmeInventoryManager* orbNvmeInventoryManager::getInstance() {
    static orbNvmeInventoryManager instance;
    return &instance;
}

void orbNvmeInventoryManager::saveControllerInventory(
    const std::vector<orbStorageControllerInfo>& controllers) {
    ORB_LOG_DEBUG(kTag, "Save the NVMe controller inventory");
    controllerList = controllers;
}

void orbNvmeInventoryManager::savePhysicalDiskInventory(
    const std::vector<orbNVMeDiskInfo>& drives) {
    ORB_LOG_DEBUG(kTag, "Save the NVMe drive inventory");
    diskList = drives;
}

void orbNvmeInventoryManager::fetchInventory(std::vector<orbStorageControllerInfo>& controllers,
                                             std::vector<orbNVMeDiskInfo>& drives) const {
    ORB_LOG_DEBUG(kTag, "Fetch the updated NVMe controller and drive inventory");
    controllers = controllerList;
    drives = diskList;
}

void orbNvmeInventoryManager::backupInventory(
    const std::vector<orbStorageControllerInfo>& controllers,
    const std::vector<orbNVMeDiskInfo>& drives) {
    ORB_LOG_DEBUG(kTag, "Taking a backup of NVMe controller and drive inventory");
    backupControllerList = controllers;
    backupDiskList = drives;
}

void orbNvmeInventoryManager::fetchBackupInventory(
    std::vector<orbStorageControllerInfo>& controllers,
    std::vector<orbNVMeDiskInfo>& drives) const {
    ORB_LOG_DEBUG(kTag, "Fetch the backup copy of NVMe controller and drive inventory");
    if (!backupControllerList.empty() && !backupDiskList.empty()) {
        controllers = backupControllerList;
        drives = backupDiskList;
    } else {
        controllers = controllerList;
        drives = diskList;
    }
}

void orbNvmeInventoryManager::updateInventory(const orbNvmeSmartInfo& smart) {
    ORB_LOG_DEBUG(kTag, "Updating NVMe inventory for a particular NVMe device : %s",
                  smart.deviceName.c_str());
    std::vector<orbStorageControllerInfo> controllers = controllerList;
    std::vector<orbNVMeDiskInfo> drives = diskList;
    updateNvmeInstanceControllerStatusAttributes(smart, controllers);
    updateNvmeInstanceDriveStatusAttributes(smart, drives);
    saveControllerInventory(controllers);
    savePhysicalDiskInventory(drives);
}

void orbNvmeInventoryManager::clear() {
    controllerList.clear();
    diskList.clear();
    backupControllerList.clear();
    backupDiskList.clear();
}

void orbNvmeInventoryManager::updateNvmeInstanceControllerStatusAttributes(
    const orbNvmeSmartInfo& smart, std::vector<orbStorageControllerInfo>& controllers) {
    for (orbStorageControllerInfo& controller : controllers) {
        if (controller.getDeviceName() == smart.deviceName) {
            controller.setState(smart.state);
            controller.setHealth(smart.health);
            return;
        }
    }
    ORB_LOG_WARNING(kTag, "NVMe controller inventory for %s not found", smart.deviceName.c_str());
}

void orbNvmeInventoryManager::updateNvmeInstanceDriveStatusAttributes(
    const orbNvmeSmartInfo& smart, std::vector<orbNVMeDiskInfo>& drives) {
    for (orbNVMeDiskInfo& drive : drives) {
        if (drive.getDeviceName() == smart.deviceName) {
            drive.setState(smart.state);
            drive.setHealth(smart.health);
            return;
        }
    }
    ORB_LOG_WARNING(kTag, "NVMe drive inventory for %s not found", smart.deviceName.c_str());
}
