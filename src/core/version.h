#pragma once

// The service's own version, reported in the host inventory and in the log.
extern const char* const ORB_VERSION;
// "Version-" followed by ORB_VERSION.
extern const char* const ORB_VERSION_LOG;
