#pragma once

#include <string>

// The code a location lookup gives when it found no location. Records that carry it, or no
// location at all, raise no events.
extern const char* const ORB_UNKNOWN_PHYSICAL_LOCATION;

// True for a location that identifies a place in the server: not empty and not the
// not-found code.
bool orbIsValidPhysicalLocation(const std::string& location);
