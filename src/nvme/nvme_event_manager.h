#pragma once

#include <string>

#include "nvme/nvme_disk_info.h"
#include "nvme/nvme_smart_info.h"
#include "storage/controller_info.h"

// Decides, after each health poll of an NVMe device, whether its health changed, and raises
// one event about the controller and one about the drive:
//
//   previous -> new health       controller  drive  critical
//   Critical or Warning -> OK    835         540    no
//   OK or Warning -> Critical    837         538    yes
//   OK -> Warning                836         539    yes
//   Critical -> Warning, or from Unknown: nothing
//
// The previous health is the one in the controller record it is given.
class orbNvmeEventManager {
  public:
    static orbNvmeEventManager* getInstance();

    // True when the health changed, whether or not an event was raised; the caller then
    // stores the new health.
    bool trackStatusChange(orbStorageControllerInfo controller, orbNVMeDiskInfo drive,
                           orbNvmeSmartInfo smart);
    void analyzeAndGenerateEvent(orbStorageControllerInfo controller, orbNVMeDiskInfo drive,
                                 orbNvmeSmartInfo smart);
    // The row of the table above; false when no row applies.
    bool fetchPropertiesToGenerateEvent(const orbStorageControllerInfo& controller,
                                        const orbNvmeSmartInfo& smart, int& controllerEvent,
                                        int& driveEvent, bool& critical) const;
    // Appends ", [SMART Info : <most significant warning bit>, PercentageUsed : N,
    // PowerOnHours : N]".
    void getEventInfoDescription(const orbNvmeSmartInfo& smart, std::string& text) const;

  private:
    orbNvmeEventManager() = default;
};
