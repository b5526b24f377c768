// The periodic re-reading of port and drive status, and the events of what changed.
#include "core/log.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller.h"

namespace {
constexpr const char* kTag = "STOR_CTLR";
}  // namespace

void orbStorageController::poll() {
    if (isRemovalInProgress()) {
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if ((eventsFlags & ORB_EVENTS_ENABLED) == 0) {
        return;
    }
    if ((eventsFlags & ORB_EVENTS_NO_PORT_POLL) == 0) {
        bool changed = false;
        for (size_t i = 0; i < currentInfo.getControllerPortListSize(); ++i) {
            orbStorageControllerPortInfo port = currentInfo.getControllerPort(i);
            discoverControllerPortStatus(port);
            orbStorageControllerPortInfo previous = i < previousInfo.getControllerPortListSize()
                                                        ? previousInfo.getControllerPort(i)
                                                        : orbStorageControllerPortInfo();
            if (port.isStatusChangedFrom(previous)) {
                ORB_LOG_INFO(kTag, "%s: Detected port status change. [%s, %s, %s, %s]",
                             port.getOSInstanceName().c_str(),
                             orbResourceStateText(port.getState()),
                             orbResourceStateText(previous.getState()),
                             orbResourceHealthText(port.getHealth()),
                             orbResourceHealthText(previous.getHealth()));
                changed = true;
            }
            // Stored even without a change: the moment the port entered recovery must be kept
            // for the next poll to see the port's first minute in recovery run out.
            currentInfo.setControllerPort(i, port);
        }
        if (changed) {
            computeControllerStatus();
            if (generateEventOnStatusChange()) {
                SASResourceManager::getInstance()->invalidateInventoryCache();
            }
            previousInfo = currentInfo;
        }
    }
    if ((eventsFlags & ORB_EVENTS_NO_DRIVE_POLL) == 0) {
        for (orbDiskInfo& drive : currentDrives) {
            // A drive that is gone keeps its Offline record until a discovery finds it again;
            // its SCSI address may already belong to another drive.
            if (drive.getDeviceMissing()) {
                continue;
            }
            discoverPhysicalDiskStatus(drive);
            // Paired by place, not by position: a rediscovery may list drives in another order.
            orbDiskInfo* previous = findPreviousDrive(drive);
            if (previous == nullptr) {
                previousDrives.push_back(drive);
                continue;
            }
            if (generateEventOnStatusChange(drive, *previous)) {
                SASResourceManager::getInstance()->invalidateInventoryCache();
            }
            *previous = drive;
        }
    }
}
