// How a port's administrator and link status become a state and health, and how a change of
// them between two builds becomes an event for the RMC.
#include <strings.h>

#include "core/log.h"
#include "nic/nic_physical_adapter.h"

namespace {

const char* const TAG = "NIC_CTRL";

bool same(const char* a, const char* b) {
    return strcasecmp(a != nullptr ? a : "", b) == 0;
}

}  // namespace

int NICPhysicalAdapter::get_adapter_status(const char* link, const char* admin) {
    if (same(admin, "up")) {
        if (same(link, "down")) {
            return 4;
        }
        if (same(link, "unknown")) {
            return 3;
        }
        return 1;
    }
    return same(link, "down") ? 5 : 6;
}

void NICPhysicalAdapter::setNICStateHealthValues(int code, ORB_RESOURCE_STATE& state,
                                                 ORB_RESOURCE_HEALTH& health) {
    switch (code) {
        case 1:
        case 2:
            state = ORB_STATE_ONLINE;
            health = ORB_HEALTH_OK;
            break;
        case 3:
            state = ORB_STATE_OFFLINE;
            health = ORB_HEALTH_CRITICAL;
            break;
        case 4:
            state = ORB_STATE_LINKDOWN;
            health = ORB_HEALTH_OK;
            break;
        case 5:
            state = ORB_STATE_OFFLINE;
            health = ORB_HEALTH_OK;
            break;
        default:
            state = ORB_STATE_OTHER;
            health = ORB_HEALTH_UNKNOWN;
            break;
    }
}

void NICPhysicalAdapter::fetchNICAdapterCondition(const std::string& currentState,
                                                  const std::string& currentHealth,
                                                  const std::string& previousState,
                                                  const std::string& previousHealth,
                                                  const std::string& name, int& condition) {
    if (currentState == "Linkdown") {
        condition = 4;
    } else if (currentState == "Offline" && currentHealth == "Critical") {
        condition = 3;
    } else if (previousState == "Linkdown" && currentState == "Online") {
        condition = 2;
    } else if (previousState == "Offline" && previousHealth == "Critical" &&
               currentState == "Online") {
        condition = 1;
    } else {
        condition = -1;
        ORB_LOG_DEBUG(TAG,
                      "State change for %s card noticed fromPrevState : %s, PrevHealth : %s "
                      "toCurrentState : %s, CurrentHealth : %s",
                      name.c_str(), previousState.c_str(), previousHealth.c_str(),
                      currentState.c_str(), currentHealth.c_str());
    }
}

void NICPhysicalAdapter::setEventAttributes(int condition, int& eventCode, bool& flag) {
    switch (condition) {
        case 1:  // back online after an offline-critical state
            eventCode = 680;
            flag = false;
            break;
        case 2:  // link back up
            eventCode = 1390;
            flag = false;
            break;
        case 3:  // offline and critical
            eventCode = 678;
            flag = true;
            break;
        case 4:  // link down
            eventCode = 1384;
            flag = true;
            break;
        default:
            eventCode = 0;
            flag = false;
            break;
    }
}
