#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The states the RMC knows for a storage resource. Every record keeps its state in one byte,
// and the RMC receives it as the text of orbResourceStateMap.
enum ORB_RESOURCE_STATE : uint8_t {
    ORB_STATE_UNKNOWN = 0,
    ORB_STATE_BYPASSED = 1,
    ORB_STATE_CANCEL = 2,
    ORB_STATE_CANCEL_RECOVERY = 3,
    ORB_STATE_CREATED = 4,
    ORB_STATE_DEGRADED = 5,
    ORB_STATE_DELETED = 6,
    ORB_STATE_DELETED_RECOVERY = 7,
    ORB_STATE_DIAGNOSTIC_MODE = 8,
    ORB_STATE_DOWN = 9,
    ORB_STATE_ERROR = 10,
    ORB_STATE_FAILED = 11,
    ORB_STATE_LINKDOWN = 12,
    ORB_STATE_LOOPBACK = 13,
    ORB_STATE_OFFLINE = 14,
    ORB_STATE_ONLINE = 15,
    ORB_STATE_OPTIMAL = 16,
    ORB_STATE_OTHER = 17,
    ORB_STATE_PARTIALLY_DEGRADED = 18,
    ORB_STATE_PREDICTIVE_FAILURE = 19,
    ORB_STATE_REBUILD = 20,
    ORB_STATE_RECOVERING = 21,
    ORB_STATE_RECOVERY = 22,
    ORB_STATE_RUNNING = 23,
    ORB_STATE_UNCONFIGURED_BAD = 24,
};

// The healths the RMC knows, kept in one byte like the state.
enum ORB_RESOURCE_HEALTH : uint8_t {
    ORB_HEALTH_UNKNOWN = 0,
    ORB_HEALTH_CRITICAL = 1,
    ORB_HEALTH_OK = 2,
    ORB_HEALTH_WARNING = 3,
};

constexpr size_t ORB_RESOURCE_STATE_COUNT = 25;
constexpr size_t ORB_RESOURCE_HEALTH_COUNT = 4;

// The texts the RMC expects, indexed by the enumeration's value.
extern const std::array<const char*, ORB_RESOURCE_STATE_COUNT> orbResourceStateMap;
extern const std::array<const char*, ORB_RESOURCE_HEALTH_COUNT> orbResourceHealthMap;

// The text of a state or a health. A byte outside the table (a firmware code that was cast
// without mapping, a record that was never filled) reads as "Unknown" rather than past the
// table's end.
const char* orbResourceStateText(ORB_RESOURCE_STATE state);
const char* orbResourceHealthText(ORB_RESOURCE_HEALTH health);
