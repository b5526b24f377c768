#include "core/version.h"

const char* const ORB_VERSION = "3.5.1.2";
const char* const ORB_VERSION_LOG = "Version-3.5.1.2";
