#pragma once

#include <atomic>
#include <mutex>

#include "host/physloc_interface.h"

// Chooses, once per process, the physical-location interface of this server's platform
// family; the mock when the family has no library or its library cannot be loaded.
class orbPhysLocFactory {
  public:
    // The chosen interface; the first call chooses. Never null.
    static orbPhysLocInterface* getPhysLocInterface();

  private:
    static std::atomic<orbPhysLocInterface*> pllInterface;
    static std::mutex factoryLock;
};
