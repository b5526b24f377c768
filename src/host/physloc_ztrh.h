#pragma once

#include "host/physloc_library_interface.h"

// Physical locations on "PLATFAM-BRAVO" and "PLATFAM-CHARLIE" servers: GeoIDs of three numbers
// (rack, enclosure, slot), encoded by the platform's ZTRH library.
class orbZTRHPhysLocInterface : public orbLibraryPhysLocInterface {
  public:
    static const char* const LIBRARY_PATH;  // "/opt/vex/orb/lib/libvexphysloc_ztrh.so"

    orbZTRHPhysLocInterface();
};

// The process-wide ZTRH interface, created on first call.
orbZTRHPhysLocInterface* __orbZTRHPhysLocInterface__getInstance();
