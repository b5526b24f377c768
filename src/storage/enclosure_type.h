#pragma once

#include <cstdint>

// What kind of enclosure a controller reported, kept in one byte. The MegaRAID enclosure
// discovery tells a backplane inside the server's chassis from an enclosure attached outside.
enum ORB_STORAGE_ENCLOSURE_TYPE : uint8_t {
    ORB_ENCLOSURE_TYPE_UNKNOWN = 0,
    ORB_ENCLOSURE_TYPE_CHASSIS_INTERNAL = 1,
    ORB_ENCLOSURE_TYPE_EXTERNAL = 2,
};
