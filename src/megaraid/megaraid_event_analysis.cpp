// Firmware events of a MegaRAID controller turned into status changes and service events.
#include <cstdio>

#include "core/config.h"
#include "core/log.h"
#include "megaraid/megaraid_cc_handler.h"
#include "megaraid/megaraid_controller.h"
#include "megaraid/megaraid_controller_factory.h"
#include "storage/sas_resource_manager.h"

namespace {

constexpr const char* kTag = "STOR_MR";

bool forwardAllCritical() {
    return orbConfig::getInstance()->isForwardAllMegaRAIDCriticalOrHigherEventsEnabled();
}

// Sets both the current and the reported pair, so that rediscovery and later events agree on
// what the RMC was told.
void setStatus(orbStatusInfo& record, ORB_RESOURCE_STATE state, ORB_RESOURCE_HEALTH health) {
    record.setState(state);
    record.setHealth(health);
    record.setEventState(state);
    record.setEventHealth(health);
}

ORB_RESOURCE_STATE stateOfFirmwareDriveState(uint32_t state, bool& known) {
    known = true;
    switch (state) {
        case 0x00:
        case 0x02:
        case 0x18:
        case 0x20:
        case 0x40:
            return ORB_STATE_ONLINE;
        case 0x01:
            return ORB_STATE_UNCONFIGURED_BAD;
        case 0x10:
            return ORB_STATE_OFFLINE;
        case 0x11:
            return ORB_STATE_FAILED;
        case 0x14:
            return ORB_STATE_REBUILD;
        default:
            known = false;
            return ORB_STATE_UNKNOWN;
    }
}

}  // namespace

std::string orbMegaRAIDController::getAddEventInfo(const ORB_SAS_EVENT_DETAIL* event,
                                                   const std::string& extra) {
    char code[16];
    std::snprintf(code, sizeof(code), "%04x", event->eventCode);
    std::string text = "[Msg # " + std::string(code) + "] " + event->description;
    if (!extra.empty()) {
        text += ". " + extra;
    }
    return text + ". Please refer to MegaRAID Software User Guide for further details.";
}

std::string orbMegaRAIDController::getAddEventInfoWithOptionalDetail(
    const ORB_SAS_EVENT_DETAIL* event, const std::string& detail) {
    if (detail.empty()) {
        return getAddEventInfo(event);
    }
    char code[16];
    std::snprintf(code, sizeof(code), "%04x", event->eventCode);
    return "[Msg # " + std::string(code) + "] " + event->description + ", (" + detail +
           "). Please refer to MegaRAID Software User Guide for further details.";
}

void orbMegaRAIDController::handleEvent(ORB_SAS_EVENT_DETAIL* event) {
    const std::string& locale = event->locale;
    if (locale != "PD_EVENT" && locale != "CTRL_EVENT" && locale != "LD_EVENT" &&
        locale != "BBU_EVENT" && locale != "ALL_EVENT") {
        return;
    }
    ORB_LOG_DEBUG(kTag, "Locale received: %s, eventClass= %d", locale.c_str(), event->eventClass);
    if (event->eventClass < 2 || event->eventClass > 6) {
        ORB_LOG_DEBUG(kTag, "Event received for lesser severity ignoring the FW event.");
        return;
    }
    if (locale == "ALL_EVENT") {
        ORB_LOG_DEBUG(kTag, "Received event of other locale ignoring the FW event.");
        return;
    }
    // Routed by the library's controller identifier, which every controller has; a serial
    // number may be empty for several.
    orbControllerReference<IorbStorageController> held =
        orbMegaRAIDControllerFactory::getInstance()->findController(event->ctrlId);
    if (!held) {
        if (event->eventClass >= 4) {
            ORB_LOG_WARNING(kTag,
                            "Ignoring CRITICAL/FATAL/DEAD event (%d, %d) received for "
                            "controller[%s] absent in ORB inventory.",
                            event->eventCode, event->eventClass, event->ctrlSerialNumber.c_str());
        }
        return;
    }
    static_cast<orbMegaRAIDController*>(held.get())->analyzeAndGenerateEvent(event);
}

void orbMegaRAIDController::analyzeAndGenerateEvent(ORB_SAS_EVENT_DETAIL* event) {
    bool changed = false;
    {
        std::lock_guard<std::recursive_mutex> lock(controllerMutex);
        if (isRemovalInProgress()) {
            return;
        }
        inventoryChanged = false;
        if (event->locale == "CTRL_EVENT") {
            analyzeControllerEvent(event);
        } else if (event->locale == "BBU_EVENT") {
            analyzeBatteryEvent(event);
        } else if (event->locale == "PD_EVENT") {
            analyzeDriveEvent(event);
        } else if (event->locale == "LD_EVENT") {
            analyzeVolumeEvent(event);
        }
        changed = inventoryChanged;
    }
    // After the controller is released: the storage manager's own thread may be waiting for
    // this controller while holding its locks.
    if (changed) {
        SASResourceManager* manager = SASResourceManager::getInstance();
        manager->sendInventorytToRMCOnCacheBuild();
        manager->invalidateInventoryCache();
    }
}

void orbMegaRAIDController::analyzeControllerEvent(ORB_SAS_EVENT_DETAIL* event) {
    const uint32_t code = event->eventCode;
    const std::string location = currentInfo.getPhysicalLocation();
    if (event->eventClass == 2 &&
        (code == 0x000C || code == 0x01C4 || code == 0x01F9 || code == 0x01FF)) {
        if (currentInfo.getEventHealth() == ORB_HEALTH_OK) {
            ORB_LOG_INFO(kTag, "Dropping the event as Device already in OK state.");
            return;
        }
        setStatus(currentInfo, ORB_STATE_RUNNING, ORB_HEALTH_OK);
        currentInfo.setEventInfoString(getAddEventInfo(event));
        raise(397, false, currentInfo, location);
        return;
    }
    if (event->eventClass >= 4) {
        if (currentInfo.getEventHealth() == ORB_HEALTH_CRITICAL && !forwardAllCritical()) {
            ORB_LOG_INFO(kTag, "Ignoring FATAL event as device already in CRITICAL state");
            return;
        }
        setStatus(currentInfo, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL);
        currentInfo.setEventInfoString(getAddEventInfo(event));
        raise(398, true, currentInfo, location);
    }
}

void orbMegaRAIDController::analyzeBatteryEvent(ORB_SAS_EVENT_DETAIL* event) {
    int eventId = 0;
    bool degrade = true;
    switch (event->eventCode) {
        case 0x008E:
        case 0x00FD:
        case 0x0133:
        case 0x017A:
            eventId = 1179;
            degrade = false;
            break;
        case 0x0092:
        case 0x009A:
        case 0x00C8:
        case 0x00D3:
        case 0x014A:
            eventId = 1179;
            break;
        case 0x0096:
        case 0x00A1:
            eventId = 1181;
            break;
        case 0x0091:
        case 0x01AF:
            eventId = 1182;
            break;
        case 0x0182:
            eventId = 1183;
            break;
        default:
            return;
    }
    const ORB_RESOURCE_HEALTH health = currentInfo.getEventHealth();
    if (degrade && health != ORB_HEALTH_CRITICAL && health != ORB_HEALTH_WARNING) {
        setStatus(currentInfo, ORB_STATE_DEGRADED, ORB_HEALTH_WARNING);
    }
    currentInfo.setEventInfoString(getAddEventInfo(event));
    raise(eventId, false, currentInfo, currentInfo.getPhysicalLocation());
}

void orbMegaRAIDController::analyzeDriveEvent(ORB_SAS_EVENT_DETAIL* event) {
    if (event->enclosure < 0 || event->slot < 0) {
        return;
    }
    char slot[32];
    std::snprintf(slot, sizeof(slot), "%d:%d", event->enclosure, event->slot);
    orbDiskInfo* drive = nullptr;
    for (orbDiskInfo& candidate : currentDrives) {
        if (candidate.getSlot() == slot) {
            drive = &candidate;
            break;
        }
    }
    if (drive == nullptr) {
        return;
    }
    auto fail = [&](ORB_RESOURCE_STATE state) {
        if (drive->getEventHealth() == ORB_HEALTH_CRITICAL && !forwardAllCritical()) {
            ORB_LOG_INFO(kTag, "Ignoring FATAL event as device already in CRITICAL state");
            return;
        }
        setStatus(*drive, state, ORB_HEALTH_CRITICAL);
        drive->setEventInfoString(getAddEventInfo(event));
        raise(538, true, *drive, drive->getPhysicalLocation());
    };
    const int eventClass = event->eventClass;
    if (eventClass == 4 || eventClass == 5) {
        fail(ORB_STATE_FAILED);
        return;
    }
    if (eventClass == 3 && event->eventCode == 0x0060) {
        // A drive already failed is not made better by a prediction that it will fail.
        if (drive->getEventHealth() == ORB_HEALTH_WARNING ||
            drive->getEventHealth() == ORB_HEALTH_CRITICAL) {
            ORB_LOG_INFO(kTag, "Ignoring WARNING event as device is already in BAD state");
            return;
        }
        setStatus(*drive, ORB_STATE_PREDICTIVE_FAILURE, ORB_HEALTH_WARNING);
        drive->setEventInfoString(getAddEventInfo(event));
        raise(539, true, *drive, drive->getPhysicalLocation());
        return;
    }
    if (eventClass == 2 && event->eventCode == 0x0072) {
        bool known = false;
        const ORB_RESOURCE_STATE state = stateOfFirmwareDriveState(event->newState, known);
        if (!known) {
            return;
        }
        const bool good = state == ORB_STATE_ONLINE || state == ORB_STATE_REBUILD;
        if (good) {
            if (drive->getEventHealth() == ORB_HEALTH_OK) {
                drive->setState(state);
                drive->setEventState(state);
                return;
            }
            setStatus(*drive, state, ORB_HEALTH_OK);
            drive->setEventInfoString(getAddEventInfo(event));
            raise(540, false, *drive, drive->getPhysicalLocation());
            return;
        }
        fail(state);
    }
}

void orbMegaRAIDController::analyzeVolumeEvent(ORB_SAS_EVENT_DETAIL* event) {
    orbLogicalDiskInfo* volume = nullptr;
    for (orbLogicalDiskInfo& candidate : currentVolumes) {
        if (event->targetId >= 0 &&
            candidate.getLogicalDiskID() == std::to_string(event->targetId)) {
            volume = &candidate;
            break;
        }
    }
    if (volume == nullptr) {
        return;
    }
    const std::string location = currentInfo.getPhysicalLocation();
    int ccEvent = 0;
    bool ccCritical = false;
    if (orbMegaRAIDConsistencyCheckEventHandler::processConsistencyCheckEvents(
            this, *volume, event, ccEvent, ccCritical)) {
        if (ccEvent != 0) {
            raise(ccEvent, ccCritical, *volume, location);
        }
        return;
    }
    const uint32_t code = event->eventCode;
    const ORB_RESOURCE_HEALTH health = volume->getEventHealth();
    auto raiseVolume = [&](ORB_RESOURCE_STATE state, ORB_RESOURCE_HEALTH newHealth) {
        setStatus(*volume, state, newHealth);
        volume->setEventInfoString(getAddEventInfo(event));
        raise(newHealth == ORB_HEALTH_OK ? 683 : 681, newHealth != ORB_HEALTH_OK, *volume,
              location);
    };
    if (event->eventClass == 2 && code == 0x00F9) {
        if (health != ORB_HEALTH_OK) {
            raiseVolume(ORB_STATE_OPTIMAL, ORB_HEALTH_OK);
        }
        return;
    }
    if (event->eventClass == 3 && code == 0x00FA) {
        if (health != ORB_HEALTH_WARNING && health != ORB_HEALTH_CRITICAL) {
            raiseVolume(ORB_STATE_PARTIALLY_DEGRADED, ORB_HEALTH_WARNING);
        }
        return;
    }
    if (event->eventClass < 4) {
        return;
    }
    if (code == 0x00FB && health != ORB_HEALTH_WARNING && health != ORB_HEALTH_CRITICAL) {
        raiseVolume(ORB_STATE_DEGRADED, ORB_HEALTH_WARNING);
        return;
    }
    if (code == 0x00FC && health != ORB_HEALTH_CRITICAL) {
        raiseVolume(ORB_STATE_OFFLINE, ORB_HEALTH_CRITICAL);
        return;
    }
    if (!forwardAllCritical()) {
        ORB_LOG_INFO(kTag, "Ignoring FATAL event as device already in CRITICAL state");
        return;
    }
    if (code != 0x00FB && code != 0x00FC) {
        setStatus(*volume, ORB_STATE_FAILED, ORB_HEALTH_CRITICAL);
    }
    volume->setEventInfoString(getAddEventInfo(event));
    raise(681, true, *volume, location);
}
