// Merging each discovery pass with the previous one: physical drives by location, volumes by
// durable name.
#include <cstdio>
#include <string>
#include <vector>

#include "core/log.h"
#include "storage/location_code.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller.h"

namespace {

constexpr const char* kTag = "STOR_CTLR";

orbDiskInfo offlineCopy(const orbDiskInfo& drive) {
    orbDiskInfo copy = drive;
    copy.setState(ORB_STATE_OFFLINE);
    copy.setHealth(ORB_HEALTH_CRITICAL);
    return copy;
}

}  // namespace

orbDiskInfo* orbStorageController::findPreviousDrive(const orbDiskInfo& drive) {
    const std::string location = drive.getPhysicalLocation();
    const bool located = orbIsValidPhysicalLocation(location);
    for (orbDiskInfo& previous : previousDrives) {
        const bool previousLocated = orbIsValidPhysicalLocation(previous.getPhysicalLocation());
        if (located ? previous.getPhysicalLocation() == location
                    : !previousLocated && !drive.getOSSCSILink().empty() &&
                          previous.getOSSCSILink() == drive.getOSSCSILink()) {
            return &previous;
        }
    }
    return nullptr;
}

orbDiskInfo orbStorageController::assessNewDrive(orbDiskInfo& drive, bool announce) {
    // The inventory shows a drive's health from the pass that finds it, not from the next poll.
    discoverPhysicalDiskStatus(drive);
    if (announce) {
        orbDiskInfo placeholder = offlineCopy(drive);
        generateEventOnStatusChange(drive, placeholder);
        return drive;
    }
    // Not announced (the drives present at start): the first poll compares against a drive
    // never read, so an unhealthy drive is reported then and a healthy one is no news.
    orbDiskInfo unread = drive;
    unread.setState(ORB_STATE_UNKNOWN);
    unread.setHealth(ORB_HEALTH_UNKNOWN);
    return unread;
}

void orbStorageController::synchronizePhysicalDrivesInventory() {
    synchronizePhysicalDrives(DriveSyncRules());
}

void orbStorageController::synchronizePhysicalDrives(const DriveSyncRules& rules) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    const bool announce = eventsWanted(ORB_EVENTS_NO_DRIVE_POLL);
    std::vector<orbDiskInfo> result;
    // What polling compares each resulting drive against, in the same order.
    std::vector<orbDiskInfo> compared;
    std::vector<bool> found(previousDrives.size(), false);
    for (size_t i = 0; i < discoveredDrives.size(); ++i) {
        orbDiskInfo drive = discoveredDrives[i];
        const bool located = orbIsValidPhysicalLocation(drive.getPhysicalLocation());
        if (!located) {
            // Kept in the inventory, but it can raise no event: the RMC could not place it.
            ORB_LOG_INFO(kTag, "Skipping disk @ index %zu due to invalid location info. [%s, %s]",
                         i, drive.getPhysicalLocation().c_str(), drive.getOSSCSILink().c_str());
        }
        orbDiskInfo* previous = findPreviousDrive(drive);
        if (previous != nullptr) {
            found[static_cast<size_t>(previous - previousDrives.data())] = true;
        }
        if (previous != nullptr && previous->getSerialNumber() == drive.getSerialNumber()) {
            // The same drive: what it showed it lacks is not asked again, and it keeps its last
            // known status until the next poll reads it.
            drive.setIfSSDWearPageSupported(previous->getIfSSDWearPageSupported());
            drive.setIfTempPageSupported(previous->getIfTempPageSupported());
            drive.setState(previous->getState());
            drive.setHealth(previous->getHealth());
            drive.setEventInfoString(previous->getEventInfoString());
            if (rules.pushOnAttributeChange && drive != *previous) {
                ORB_LOG_INFO(kTag,
                             "%s - %s: Detected change in inventory attributes. Updated inventory "
                             "will be pushed to RMC.",
                             drive.getOSSCSILink().c_str(), drive.getSerialNumber().c_str());
                SASResourceManager::getInstance()->sendInventorytToRMCOnCacheBuild();
            }
            compared.push_back(*previous);
        } else if (previous != nullptr && located) {
            char text[256];
            std::snprintf(text, sizeof(text),
                          "Detected change in disk serial number (Current serial number: %s; Last "
                          "known serial number: %s).",
                          drive.getSerialNumber().c_str(), previous->getSerialNumber().c_str());
            ORB_LOG_INFO(kTag, "%s - %s: %s", drive.getOSSCSILink().c_str(),
                         drive.getSerialNumber().c_str(), text);
            drive.setEventInfoString(text);
            SASResourceManager::getInstance()->sendInventorytToRMCOnCacheBuild();
            if (announce) {
                orbDiskInfo gone = offlineCopy(*previous);
                gone.setEventInfoString(text);
                generateEventOnStatusChange(gone, *previous);
            }
            compared.push_back(assessNewDrive(drive, announce));
            if (drive.getEventInfoString().empty()) {
                drive.setEventInfoString(text);
            }
        } else {
            if (located) {
                ORB_LOG_INFO(kTag,
                             "%s - %s: Detected new disk at previously-empty location in current "
                             "discovery cycle.",
                             drive.getOSSCSILink().c_str(), drive.getSerialNumber().c_str());
            }
            compared.push_back(assessNewDrive(drive, announce && located));
        }
        result.push_back(drive);
    }

    for (size_t i = 0; i < previousDrives.size(); ++i) {
        const orbDiskInfo& previous = previousDrives[i];
        if (found[i]) {
            continue;
        }
        if (!orbIsValidPhysicalLocation(previous.getPhysicalLocation())) {
            if (!rules.keepUnlocatedDrivesWithLink) {
                ORB_LOG_INFO(kTag,
                             "Skipping prev disk @ index %zu due to invalid location info. [%s, "
                             "%s]",
                             i, previous.getPhysicalLocation().c_str(),
                             previous.getOSSCSILink().c_str());
                continue;
            }
            if (previous.getOSSCSILink().empty()) {
                ORB_LOG_INFO(kTag,
                             "Skipping disk @ index %zu due to invalid location info and SCSI "
                             "link. [%s, %s]",
                             i, previous.getPhysicalLocation().c_str(),
                             previous.getOSSCSILink().c_str());
                continue;
            }
        }
        ORB_LOG_INFO(kTag, "%s - %s: Disk detected as offline in the current discovery cycle.",
                     previous.getOSSCSILink().c_str(), previous.getSerialNumber().c_str());
        orbDiskInfo missing = offlineCopy(previous);
        missing.setDeviceMissing(true);
        if (rules.describeMissingDrive) {
            char text[256];
            std::snprintf(text, sizeof(text),
                          "Disk (SCSI link: %s) detected to be offline in the current discovery "
                          "cycle.",
                          previous.getOSSCSILink().c_str());
            missing.setEventInfoString(text);
        }
        if (announce) {
            generateEventOnStatusChange(missing, previous);
        }
        result.push_back(missing);
        compared.push_back(missing);
    }
    currentDrives = result;
    previousDrives = compared;
}

void orbStorageController::synchronizeLogicalDiskInventory() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    const std::string serial = currentInfo.getSerialNumber();
    const char* sn = serial.c_str();
    ORB_LOG_DEBUG(kTag, "Controller [SN %s]: Inside synchronizeLogicalDiskInventory", sn);
    for (const orbLogicalDiskInfo& volume : currentVolumes) {
        if (volume.getDurableName().empty()) {
            ORB_LOG_WARNING(kTag,
                            "Controller [SN %s]: Found a logical disk with empty durable name. "
                            "[LogicalDiskID = %s]",
                            sn, volume.getLogicalDiskID().c_str());
        }
    }
    const size_t discovered = currentVolumes.size();
    for (const orbLogicalDiskInfo& previous : previousVolumes) {
        const std::string name = previous.getDurableName();
        if (name.empty()) {
            continue;
        }
        ORB_LOG_DEBUG(kTag, "Controller [SN %s]: Looking for LD [%s] in latest inventory.", sn,
                      name.c_str());
        bool present = false;
        for (size_t i = 0; i < discovered && !present; ++i) {
            present = currentVolumes[i].getDurableName() == name;
        }
        if (present) {
            ORB_LOG_DEBUG(kTag, "Controller [SN %s]: Found LD [%s] in latest inventory.", sn,
                          name.c_str());
        } else if (previous.getDeletedEventReceived()) {
            ORB_LOG_INFO(kTag,
                         "Controller [SN %s]: Omitting LD [%s] that has received deleted-event. "
                         "(Device %s)",
                         sn, name.c_str(), previous.getDeviceMissing() ? "missing" : "not missing");
        } else if (!previous.getDeviceMissing()) {
            orbLogicalDiskInfo placeholder = previous;
            placeholder.setDeviceMissing(true);
            currentVolumes.push_back(placeholder);
            ORB_LOG_INFO(kTag,
                         "Controller [SN %s]: Added placeholder for LD [%s] in latest inventory.",
                         sn, name.c_str());
        } else {
            currentVolumes.push_back(previous);
            ORB_LOG_INFO(kTag, "Controller [SN %s]: Re-added missing LD [%s] to latest inventory.",
                         sn, name.c_str());
        }
    }
    previousVolumes = currentVolumes;
}
