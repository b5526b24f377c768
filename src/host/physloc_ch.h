#pragma once

#include "host/physloc_library_interface.h"

// Physical locations on "PLATFAM-ALPHA" servers: GeoIDs of four numbers (rack, unit, part,
// slot), encoded by the platform's CH library.
class orbCHPhysLocInterface : public orbLibraryPhysLocInterface {
  public:
    static const char* const LIBRARY_PATH;  // "/opt/vex/orb/lib/libvexphysloc_ch.so"

    orbCHPhysLocInterface();
};

// The process-wide CH interface, created on first call.
orbCHPhysLocInterface* __orbCHPhysLocInterface__getInstance();
