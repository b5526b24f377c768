#include "host/physloc_interface.h"

const char* const ORB_NO_PHYSICAL_LOCATION = "FFFFFFFFFFFFFFFF";
