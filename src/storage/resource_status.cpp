#include "storage/resource_status.h"

const std::array<const char*, ORB_RESOURCE_STATE_COUNT> orbResourceStateMap = {
    "Unknown",
    "Bypassed",
    "Cancel",
    "Cancel/Recovery",
    "Created",
    "Degraded",
    "Deleted",
    "Deleted/Recovery",
    "Diagnostic mode",
    "Down",
    "Error",
    "Failed",
    "Linkdown",
    "Loopback",
    "Offline",
    "Online",
    "Optimal",
    "Other",
    "Partially degraded",
    "Predictive failure",
    "Rebuild",
    "Recovering",
    "Recovery",
    "Running",
    "Unconfigured bad",
};

const std::array<const char*, ORB_RESOURCE_HEALTH_COUNT> orbResourceHealthMap = {
    "Unknown",
    "Critical",
    "OK",
    "Warning",
};

namespace {

template <size_t N>
const char* tableText(const std::array<const char*, N>& table, size_t index) {
    return index < table.size() ? table[index] : table[0];
}

}  // namespace

const char* orbResourceStateText(ORB_RESOURCE_STATE state) {
    return tableText(orbResourceStateMap, state);
}

const char* orbResourceHealthText(ORB_RESOURCE_HEALTH health) {
    return tableText(orbResourceHealthMap, health);
}
