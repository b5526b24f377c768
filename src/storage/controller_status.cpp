// Port status, the controller status derived from its ports, and the controller events.
#include <strings.h>
#include <time.h>

#include <cstdio>

#include "core/log.h"
#include "storage/controller_sysfs.h"
#include "storage/location_code.h"
#include "storage/sas_resource_manager.h"
#include "storage/storage_controller.h"

namespace {

constexpr const char* kTag = "STOR_CTLR";
constexpr long kRecoveryGraceSeconds = 60;

// Seconds of a clock that wall-clock corrections do not move, so a time change never cuts a
// recovery short or stretches it. Never 0, which marks a port that is not recovering.
long recoveryClockSeconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec > 0 ? static_cast<long>(now.tv_sec) : 1;
}

bool isState(const std::string& text, ORB_RESOURCE_STATE state) {
    return strcasecmp(text.c_str(), orbResourceStateMap[state]) == 0;
}

}  // namespace

void orbStorageController::discoverControllerPortStatus(orbStorageControllerPortInfo& port) {
    std::string text = orbReadSysfsText(port.getOSInstanceName() + "/state");
    if (text.empty()) {
        port.setState(ORB_STATE_OFFLINE);
        port.setHealth(ORB_HEALTH_CRITICAL);
        return;
    }
    if (isState(text, ORB_STATE_CREATED) || isState(text, ORB_STATE_RUNNING)) {
        port.setState(isState(text, ORB_STATE_CREATED) ? ORB_STATE_CREATED : ORB_STATE_RUNNING);
        port.setHealth(ORB_HEALTH_OK);
        port.setLastRecoveryTimestamp(0);
        return;
    }
    if (isState(text, ORB_STATE_RECOVERY)) {
        // A port recovers on its own most of the time: it counts as running for its first
        // minute in recovery.
        long now = recoveryClockSeconds();
        if (port.getLastRecoveryTimestamp() == 0) {
            port.setLastRecoveryTimestamp(now);
            ORB_LOG_DEBUG(kTag, "Controller port [%s] went into recovery mode.",
                          port.getOSInstanceName().c_str());
        }
        if (now - port.getLastRecoveryTimestamp() >= kRecoveryGraceSeconds) {
            port.setState(ORB_STATE_RECOVERY);
            port.setHealth(ORB_HEALTH_WARNING);
            ORB_LOG_DEBUG(kTag, "Controller port [%s] in recovery mode for atleast 60 seconds.",
                          port.getOSInstanceName().c_str());
        } else {
            port.setState(ORB_STATE_RUNNING);
            port.setHealth(ORB_HEALTH_OK);
        }
        return;
    }
    ORB_RESOURCE_STATE state = ORB_STATE_UNKNOWN;
    for (size_t value = 0; value < ORB_RESOURCE_STATE_COUNT; ++value) {
        if (isState(text, static_cast<ORB_RESOURCE_STATE>(value))) {
            state = static_cast<ORB_RESOURCE_STATE>(value);
            break;
        }
    }
    port.setState(state);
    port.setHealth(ORB_HEALTH_CRITICAL);
    port.setLastRecoveryTimestamp(0);
}

void orbStorageController::computeControllerStatus() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    const long present = static_cast<long>(currentInfo.getControllerPortListSize());
    const long maximum = getMaxSupportedControllerPorts();
    const long m = maximum != 0 ? maximum : present;
    currentInfo.setState(ORB_STATE_UNKNOWN);
    currentInfo.setHealth(ORB_HEALTH_UNKNOWN);
    if (m == 0) {
        currentInfo.setState(ORB_STATE_RUNNING);
        currentInfo.setHealth(ORB_HEALTH_OK);
        currentInfo.setEventInfoString(std::string());
        return;
    }
    long online = 0, recovering = 0, offline = 0, other = 0;
    for (long i = 0; i < m; ++i) {
        if (i >= present) {
            ++offline;  // a port the board has but the host does not show
            continue;
        }
        switch (currentInfo.getControllerPort(static_cast<size_t>(i)).getState()) {
            case ORB_STATE_CREATED:
            case ORB_STATE_RUNNING:
                ++online;
                break;
            case ORB_STATE_RECOVERY:
                ++recovering;
                break;
            case ORB_STATE_OFFLINE:
                ++offline;
                break;
            default:
                ++other;
                break;
        }
    }
    const long t = other + offline;
    ORB_RESOURCE_STATE state = ORB_STATE_UNKNOWN;
    ORB_RESOURCE_HEALTH health = ORB_HEALTH_UNKNOWN;
    STORAGE_EVENT_INFO_TYPE type = STORAGE_EVENT_INFO_NONE;
    if (online == m) {
        state = ORB_STATE_RUNNING, health = ORB_HEALTH_OK, type = STORAGE_EVENT_INFO_PORTS_ONLINE;
    } else if (online != 0 && recovering != 0 && m - 1 > recovering && other == 0 && offline == 0) {
        state = ORB_STATE_RECOVERING, health = ORB_HEALTH_WARNING;
        type = STORAGE_EVENT_INFO_PORTS_DEGRADED;
    } else if (m - 1 <= recovering && other == 0 && offline == 0) {
        state = ORB_STATE_RECOVERING, health = ORB_HEALTH_CRITICAL;
        type = STORAGE_EVENT_INFO_PORTS_OFFLINE;
    } else if (t != 0 && m - 1 > t) {
        state = ORB_STATE_DEGRADED, health = ORB_HEALTH_WARNING;
        type = STORAGE_EVENT_INFO_PORTS_DEGRADED;
    } else if (m - 1 == t) {
        state = ORB_STATE_DEGRADED, health = ORB_HEALTH_CRITICAL;
        type = STORAGE_EVENT_INFO_PORTS_OFFLINE;
    } else if (other == m) {
        state = ORB_STATE_FAILED, health = ORB_HEALTH_CRITICAL;
        type = STORAGE_EVENT_INFO_PORTS_OFFLINE;
    } else if (offline == m) {
        state = ORB_STATE_OFFLINE, health = ORB_HEALTH_CRITICAL;
        type = STORAGE_EVENT_INFO_PORTS_OFFLINE;
    } else if (other + offline == m) {
        state = ORB_STATE_FAILED, health = ORB_HEALTH_CRITICAL;
        type = STORAGE_EVENT_INFO_PORTS_OFFLINE;
    }
    currentInfo.setState(state);
    currentInfo.setHealth(health);
    currentInfo.setEventInfoString(
        type == STORAGE_EVENT_INFO_NONE ? std::string() : formatControllerEventInfoString(type));
}

std::string orbStorageController::formatControllerEventInfoString(STORAGE_EVENT_INFO_TYPE type) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    if (type == STORAGE_EVENT_INFO_PORTS_ONLINE) {
        return "The storage controller port(s) are now online.";
    }
    if (type != STORAGE_EVENT_INFO_PORTS_OFFLINE) {
        return std::string();
    }
    return describePortsOffline("the storage controller");
}

std::string orbStorageController::describePortsOffline(const char* controller) {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    // The ports the board has, when known: absent ports are the ones that went offline.
    const int maximum = getMaxSupportedControllerPorts();
    const size_t n =
        maximum > 0 ? static_cast<size_t>(maximum) : currentInfo.getControllerPortListSize();
    if (n == 0) {
        return std::string();
    }
    if (n == 1) {
        // "At least 0 of 1 ports" would say nothing went offline.
        return "The storage controller port has gone offline or will be removed from the system, "
               "or has been in recovery state for >= 60 seconds.";
    }
    char text[512];
    std::snprintf(text, sizeof(text),
                  "At least %zu of %zu ports of %s have gone offline or will be removed from the "
                  "system, or have been in recovery state for >= 60 seconds.",
                  n - 1, n, controller);
    return text;
}

bool orbStorageController::generateEventOnStatusChange() {
    std::lock_guard<std::recursive_mutex> lock(controllerMutex);
    const std::string location = currentInfo.getPhysicalLocation();
    if (!currentInfo.isHealthChangedFrom(previousInfo) || !orbIsValidPhysicalLocation(location) ||
        location != previousInfo.getPhysicalLocation() ||
        previousInfo.getState() == ORB_STATE_UNKNOWN) {
        return false;
    }
    const char* currentState = orbResourceStateText(currentInfo.getState());
    const char* previousState = orbResourceStateText(previousInfo.getState());
    const char* currentHealth = orbResourceHealthText(currentInfo.getHealth());
    const char* previousHealth = orbResourceHealthText(previousInfo.getHealth());
    ORB_LOG_INFO(kTag,
                 "%s: Detected controller status change. [CurrState=%s, PrevState=%s, "
                 "CurrHealth=%s, PrevHealth=%s]",
                 PciLocation.c_str(), currentState, previousState, currentHealth, previousHealth);
    const ORB_RESOURCE_HEALTH before = previousInfo.getHealth();
    const ORB_RESOURCE_HEALTH now = currentInfo.getHealth();
    int eventId = 0;
    bool failure = false;
    if (now == ORB_HEALTH_OK && (before == ORB_HEALTH_CRITICAL ||
                                 (before == ORB_HEALTH_WARNING && failureEventSent != 0))) {
        failureEventSent = 0;
        eventId = 397;
    } else if (now == ORB_HEALTH_CRITICAL &&
               (before == ORB_HEALTH_OK ||
                (before == ORB_HEALTH_WARNING && failureEventSent != 1))) {
        failureEventSent = 1;
        eventId = 398;
        failure = true;
    } else {
        ORB_LOG_INFO(kTag,
                     "%s: Event not generated for controller status change. [CurrState=%s, "
                     "PrevState=%s, CurrHealth=%s, PrevHealth=%s]",
                     PciLocation.c_str(), currentState, previousState, currentHealth,
                     previousHealth);
        return false;
    }
    SASResourceManager::getInstance()->generateEvent(eventId, location, failure, currentInfo);
    return true;
}
