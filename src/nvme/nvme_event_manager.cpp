#include "nvme/nvme_event_manager.h"

#include "core/log.h"
#include "nvme/nvme_resource_manager.h"
#include "storage/location_code.h"

namespace {

const char* const kTag = "NVME_EVENT_MGR";

}  // namespace

orbNvmeEventManager* orbNvmeEventManager::getInstance() {
    static orbNvmeEventManager instance;
    return &instance;
}

bool orbNvmeEventManager::trackStatusChange(orbStorageControllerInfo controller,
                                            orbNVMeDiskInfo drive, orbNvmeSmartInfo smart) {
    if (smart.health == controller.getHealth()) {
        return false;
    }
    ORB_LOG_INFO(kTag, "State Change Detected for %s", smart.deviceName.c_str());
    analyzeAndGenerateEvent(controller, drive, smart);
    return true;
}

bool orbNvmeEventManager::fetchPropertiesToGenerateEvent(const orbStorageControllerInfo& controller,
                                                         const orbNvmeSmartInfo& smart,
                                                         int& controllerEvent, int& driveEvent,
                                                         bool& critical) const {
    const ORB_RESOURCE_HEALTH previous = controller.getHealth();
    const ORB_RESOURCE_HEALTH current = smart.health;
    if (current == ORB_HEALTH_OK &&
        (previous == ORB_HEALTH_CRITICAL || previous == ORB_HEALTH_WARNING)) {
        controllerEvent = 835;
        driveEvent = 540;
        critical = false;
        return true;
    }
    if (current == ORB_HEALTH_CRITICAL &&
        (previous == ORB_HEALTH_OK || previous == ORB_HEALTH_WARNING)) {
        controllerEvent = 837;
        driveEvent = 538;
        critical = true;
        return true;
    }
    if (current == ORB_HEALTH_WARNING && previous == ORB_HEALTH_OK) {
        controllerEvent = 836;
        driveEvent = 539;
        critical = true;
        return true;
    }
    ORB_LOG_INFO(kTag, "No corresponding status change identified for %s",
                 controller.getDeviceName().c_str());
    return false;
}

void orbNvmeEventManager::analyzeAndGenerateEvent(orbStorageControllerInfo controller,
                                                  orbNVMeDiskInfo drive, orbNvmeSmartInfo smart) {
    int controllerEvent = 0;
    int driveEvent = 0;
    bool critical = false;
    if (!fetchPropertiesToGenerateEvent(controller, smart, controllerEvent, driveEvent, critical)) {
        ORB_LOG_INFO(kTag, "Ignoring generating NVMe controller and drive events");
        return;
    }
    // The RMC cannot place an event without a location: the new health is still stored, so
    // the inventory shows it, as for SAS/SATA drives.
    if (!orbIsValidPhysicalLocation(controller.getPhysicalLocation()) ||
        !orbIsValidPhysicalLocation(drive.getPhysicalLocation())) {
        ORB_LOG_WARNING(kTag,
                        "%s: Invalid physical location detected [%s]; events %d and %d not "
                        "raised.",
                        controller.getDeviceName().c_str(),
                        controller.getPhysicalLocation().c_str(), controllerEvent, driveEvent);
        return;
    }
    std::string summary;
    if (critical) {
        getEventInfoDescription(smart, summary);
    }
    controller.setEventInfoString(summary);
    drive.setEventInfoString(summary);
    NVMeResourceManager::generateEvent(controllerEvent, controller.getPhysicalLocation(), critical,
                                       controller);
    NVMeResourceManager::generateEvent(driveEvent, drive.getPhysicalLocation(), critical, drive);
}

void orbNvmeEventManager::getEventInfoDescription(const orbNvmeSmartInfo& smart,
                                                  std::string& text) const {
    text += ", [SMART Info : ";
    if (smart.VolatileMemoryBackupFailed) {
        text += "0x10";
    } else if (smart.ReadOnlyMode) {
        text += "0x8";
    } else if (smart.ReliabilityDegraded) {
        text += "0x4";
    } else if (smart.TemperatureWarning) {
        text += "0x2";
    } else if (smart.AvailableSpareBelowThreshold) {
        text += "0x1";
    } else {
        ORB_LOG_DEBUG(kTag, "Smart Log Critical Warning bit fields are not set");
    }
    text += ", PercentageUsed : " + std::to_string(smart.PercentageUsed);
    text += ", PowerOnHours : " + std::to_string(smart.PowerOnHours);
    text += "]";
}
