#include "storage/location_code.h"

const char* const ORB_UNKNOWN_PHYSICAL_LOCATION = "FFFFFFFFFFFFFFFF";

bool orbIsValidPhysicalLocation(const std::string& location) {
    return !location.empty() && location != ORB_UNKNOWN_PHYSICAL_LOCATION;
}
